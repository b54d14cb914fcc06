// The fatal paths of upload_texture, forced from inside this test program only: the link
// wraps SDL_CreateRGBSurface and SDL_FreeSurface (see CMakeLists.txt), so that the Nth
// surface creation can be made to fail and every freed surface is seen. Both failures happen
// before any OpenGL call, so no display is needed.
#include "assets/texture_bank.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>  // std::find
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" {
SDL_Surface* __real_SDL_CreateRGBSurface(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32);
void __real_SDL_FreeSurface(SDL_Surface*);
}

namespace {
int creations_until_failure = 0;  // 0: never fail; n: the nth creation from now fails
std::vector<SDL_Surface*> created;
std::vector<SDL_Surface*> freed;
SDL_Surface* watched_source = nullptr;

bool was_freed(SDL_Surface* surface)
{
    return std::find(freed.begin(), freed.end(), surface) != freed.end();
}

// Runs at exit, after the message: shows that the process ended through exit() and which of
// the surfaces it owned it let go of first.
void report_freed_at_exit()
{
    std::fprintf(stderr, "source %s", was_freed(watched_source) ? "freed" : "kept");
    if (created.size() > 1) {
        std::fprintf(stderr, ", conversion %s", was_freed(created[1]) ? "freed" : "kept");
    }
    std::fprintf(stderr, "\n");
}

SDL_Surface* make_picture(int width, int height)
{
    SDL_Surface* picture = SDL_CreateRGBSurface(0, width, height, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    if (picture == nullptr) {
        std::abort();
    }
    SDL_FillRect(picture, nullptr, SDL_MapRGB(picture->format, 10, 20, 30));
    return picture;
}

void upload_with_creation_failing(int nth, int width, int height)
{
    watched_source = make_picture(width, height);
    creations_until_failure = nth;
    std::atexit(report_freed_at_exit);
    TextureBank bank;
    upload_texture(watched_source, bank, "photo_set 12");
}
}  // namespace

extern "C" {
SDL_Surface* __wrap_SDL_CreateRGBSurface(Uint32 flags, int width, int height, int depth, Uint32 red,
                                         Uint32 green, Uint32 blue, Uint32 alpha)
{
    if (creations_until_failure > 0 && --creations_until_failure == 0) {
        SDL_SetError("no memory left for the test");
        return nullptr;
    }
    SDL_Surface* surface =
        __real_SDL_CreateRGBSurface(flags, width, height, depth, red, green, blue, alpha);
    created.push_back(surface);
    return surface;
}

void __wrap_SDL_FreeSurface(SDL_Surface* surface)
{
    freed.push_back(surface);
    __real_SDL_FreeSurface(surface);
}
}

TEST(UploadFailureDeathTest, NoConversionSurfaceEndsTheProcessWithTheFixedMessage)
{
    EXPECT_EXIT(upload_with_creation_failing(1, 40, 30), testing::ExitedWithCode(1),
                "^CreateRGBSurface failed: no memory left for the test\nsource freed\n$");
}

TEST(UploadFailureDeathTest, NoPowerOfTwoSurfaceNamesThePictureAndNeverWritesThroughNull)
{
    EXPECT_EXIT(upload_with_creation_failing(2, 300, 205), testing::ExitedWithCode(1),
                "^CreateRGBSurface failed for photo_set 12 \\(512 x 256\\): no memory left for "
                "the test\nsource freed, conversion freed\n$");
}

TEST(UploadFailureDeathTest, APictureTooWideForAPowerOfTwoSurfaceFailsTheSameWay)
{
    // No forcing here: SDL itself refuses a 16 384-pixel-wide surface, which is what a
    // 9 000-pixel-wide picture would need.
    EXPECT_EXIT(upload_with_creation_failing(0, 9000, 1), testing::ExitedWithCode(1),
                "^CreateRGBSurface failed for photo_set 12 \\(16384 x 1\\): [^\n]+\nsource "
                "freed, conversion freed\n$");
}

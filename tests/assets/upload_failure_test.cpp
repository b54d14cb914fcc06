// The fatal paths of upload_texture. The link wraps SDL_CreateRGBSurface and SDL_FreeSurface
// (see CMakeLists.txt) so that the Nth surface creation fails on demand and every freed surface
// is seen. Both failures come before any OpenGL call, so no display is needed.
#include "assets/texture_bank.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
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

// Runs at exit, after the message: proves the process ended through exit() and shows which of
// the surfaces it owned it let go of first (created[0] is the source, created[1] the conversion).
void report_freed_at_exit()
{
    for (std::size_t k = 0; k < created.size(); ++k) {
        const bool was_freed = std::find(freed.begin(), freed.end(), created[k]) != freed.end();
        std::fprintf(stderr, "%s%s", k == 0 ? "source " : ", conversion ",
                     was_freed ? "freed" : "kept");
    }
    std::fprintf(stderr, "\n");
}

void upload_with_creation_failing(int nth, int width, int height)
{
    SDL_Surface* source = SDL_CreateRGBSurface(0, width, height, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    creations_until_failure = nth;
    std::atexit(report_freed_at_exit);
    TextureBank bank;
    upload_texture(source, bank, "photo_set 12");
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
    created.push_back(
        __real_SDL_CreateRGBSurface(flags, width, height, depth, red, green, blue, alpha));
    return created.back();
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

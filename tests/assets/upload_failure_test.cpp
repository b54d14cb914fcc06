// The fatal paths of upload_texture. The link wraps SDL_CreateRGBSurface (see CMakeLists.txt)
// so that the Nth surface creation fails on demand. Both failures come before any OpenGL call,
// so no display is needed.
#include "assets/texture_bank.h"

#include <gtest/gtest.h>

#include <SDL.h>

extern "C" SDL_Surface* __real_SDL_CreateRGBSurface(Uint32, int, int, int, Uint32, Uint32, Uint32,
                                                    Uint32);

namespace {
int creations_until_failure = 0;  // 0: never fail; n: the nth creation from now fails

void upload_with_creation_failing(int nth, int width, int height)
{
    SDL_Surface* source = SDL_CreateRGBSurface(0, width, height, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    creations_until_failure = nth;
    TextureBank bank;
    upload_texture(source, bank, "photo_set 12");
}
}  // namespace

extern "C" SDL_Surface* __wrap_SDL_CreateRGBSurface(Uint32 flags, int width, int height, int depth,
                                                    Uint32 red, Uint32 green, Uint32 blue,
                                                    Uint32 alpha)
{
    if (creations_until_failure > 0 && --creations_until_failure == 0) {
        SDL_SetError("no memory left for the test");
        return nullptr;
    }
    return __real_SDL_CreateRGBSurface(flags, width, height, depth, red, green, blue, alpha);
}

TEST(UploadFailureDeathTest, AFailedSurfaceEndsTheProcessWithTheFixedMessage)
{
    EXPECT_EXIT(upload_with_creation_failing(1, 40, 30), testing::ExitedWithCode(1),
                "^CreateRGBSurface failed: no memory left for the test\n$");
    // The power-of-two surface's failure also names the picture and the size it wanted.
    EXPECT_EXIT(upload_with_creation_failing(2, 300, 205), testing::ExitedWithCode(1),
                "^CreateRGBSurface failed for photo_set 12 \\(512 x 256\\): no memory left for "
                "the test\n$");
}

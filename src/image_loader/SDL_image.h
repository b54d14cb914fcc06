#ifndef CORVANEL_IMAGE_LOADER_SDL_IMAGE_H
#define CORVANEL_IMAGE_LOADER_SDL_IMAGE_H
/* The part of SDL_image 1.2 the show calls, for the Windows and web builds, where SDL_image
 * itself is not built: PNG and JPEG streams decoded into the same SDL 1.2 surfaces SDL_image
 * 1.2.12 makes (the texture bank picks its conversion by surface type, so the type matters as
 * much as the pixels). Depends on SDL 1.2 for surfaces and streams; the decoding is libpng's
 * and libjpeg's, behind image_loader.c.
 *
 * Named SDL_image.h so that `#include <SDL_image.h>` finds it unchanged; it declares only what
 * is implemented, without SDL's export marks, being linked in statically. Any other picture
 * format is refused, as SDL_image refuses formats it does not know: NULL, with the reason in
 * SDL_GetError(); every reason reads as SDL_image's. */

#include <SDL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum { IMG_INIT_JPG = 0x00000001, IMG_INIT_PNG = 0x00000002 } IMG_InitFlags;

/* Marks the formats in `flags` ready and returns every format marked so far; loading a picture
 * marks its format too. The decoders are linked in, so nothing can fail to load. */
extern int SDLCALL IMG_Init(int flags);

/* Forgets every format marked. */
extern void SDLCALL IMG_Quit(void);

/* Decodes the PNG or JPEG picture at the stream's position. Closes the stream when `freesrc`
 * is non-zero, whatever the outcome; otherwise leaves it where decoding stopped reading (where
 * SDL_image leaves it), or where it was if the picture could not be decoded. */
extern SDL_Surface* SDLCALL IMG_Load_RW(SDL_RWops* src, int freesrc);

#define IMG_GetError SDL_GetError

#ifdef __cplusplus
}
#endif

#endif

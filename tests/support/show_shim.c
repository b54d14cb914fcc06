/* Test-only companion of the shipped show: LD_PRELOADed on Linux, linked with ld's --wrap into
 * a test build on Windows. Its files, in $CORVANEL_SHIM_DIR: ahead (ms the main thread's
 * SDL_GetTicks() runs ahead; the audio thread's time the music, which does not jump); Windows
 * only, hold (a moment the silent show's clock stands at, moved only forward); first_frame
 * "<ms from process start> <ms from SDL_Init>", presented (frames so far), frames "<count> <ms
 * first to last>" at exit; quits (SDL_Quit() calls, written at once); fail_surface "<w> <h>
 * <depth>" (SDL_CreateRGBSurface() fails for it). Linux only: probes "<ns the pass read its
 * clock> <ns its frame was swapped> <beats> <lead ms>" per probe number; swap_control (1 once
 * a swap waiting for the refresh was asked for); aspect (the 3D scene's width over height, as
 * drawn) and window (the X window it is drawn in); a caption set while the sound is open aborts.
 */
#if !defined(_GNU_SOURCE) && !defined(_WIN32)
#define _GNU_SOURCE /* RTLD_NEXT */
#endif
#include <SDL.h>
#include <SDL_thread.h>  // SDL_ThreadID

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>

typedef int SDL_Init_fn(Uint32);
typedef Uint32 SDL_GetTicks_fn(void);
typedef void SDL_Quit_fn(void);
typedef SDL_Surface* SDL_CreateRGBSurface_fn(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32);
typedef void SDL_GL_SwapBuffers_fn(void);
typedef int SDL_GL_SetAttribute_fn(SDL_GLattr, int);
typedef void SDL_Delay_fn(Uint32);
typedef void SDL_WM_SetCaption_fn(const char*, const char*);

#ifdef _WIN32
#define SHIM(name) __wrap_##name
#define REAL(name) __real_##name
SDL_Init_fn __real_SDL_Init;
SDL_GetTicks_fn __real_SDL_GetTicks;
SDL_Quit_fn __real_SDL_Quit;
SDL_CreateRGBSurface_fn __real_SDL_CreateRGBSurface;
SDL_GL_SwapBuffers_fn __real_SDL_GL_SwapBuffers;
extern int32_t timing_start; /* the show clock's origin in ticks, from the show's run */
#else
#include <SDL_syswm.h>  // SDL_GetWMInfo
#include <dlfcn.h>
#define SHIM(name) name
#define REAL(name) ((name##_fn*)dlsym(RTLD_NEXT, #name))
#endif

static double process_start_ms;
static double sdl_init_ms;
static double first_frame_ms;
static double last_frame_ms;
static long frame_count;
static Uint32 main_thread;
/* The main thread's first tick read after the loop's sleep: the next pass's clock read. */
static long long next_read_ns;
static int read_armed = 1;
static long long pass_read_ns;
static long long pass_swap_ns;

static long long monotonic_ns(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

static double now_ms(void)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    return now.tv_sec * 1000.0 + now.tv_usec / 1000.0;
}

static void shim_path(char* path, size_t size, const char* name)
{
    const char* dir = getenv("CORVANEL_SHIM_DIR");
    snprintf(path, size, "%s/%s", dir ? dir : ".", name);
}

/* Reads up to three numbers from a file of the shim's folder; absent ones read 0. */
static void read_numbers(const char* name, long numbers[3])
{
    char path[4096];
    shim_path(path, sizeof path, name);
    numbers[0] = numbers[1] = numbers[2] = 0;
    FILE* file = fopen(path, "r");
    if (file) {
        if (fscanf(file, "%ld %ld %ld", &numbers[0], &numbers[1], &numbers[2]) < 1) {
            numbers[0] = 0;
        }
        fclose(file);
    }
}

static void write_file(const char* name, const char* text)
{
    char path[4096];
    char partial[4096 + 8];
    shim_path(path, sizeof path, name);
    snprintf(partial, sizeof partial, "%s.part", path);
    FILE* file = fopen(partial, "w");
    if (file) {
        fputs(text, file);
        fclose(file);
        rename(partial, path); /* readers never see half a number */
    }
}

__attribute__((constructor)) static void shim_start(void)
{
    process_start_ms = now_ms();
    main_thread = SDL_ThreadID();
}

__attribute__((destructor)) static void shim_end(void)
{
    char text[64];
    snprintf(text, sizeof text, "%ld %.1f\n", frame_count, last_frame_ms - first_frame_ms);
    write_file("frames", text);
}

int SHIM(SDL_Init)(Uint32 flags)
{
    if (sdl_init_ms == 0) {
        sdl_init_ms = now_ms();
    }
    return REAL(SDL_Init)(flags);
}

Uint32 SHIM(SDL_GetTicks)(void)
{
    if (SDL_ThreadID() != main_thread) {
        return REAL(SDL_GetTicks)();
    }
    if (read_armed && next_read_ns == 0) {
        next_read_ns = monotonic_ns();
    }
#ifdef _WIN32
    long hold[3];
    read_numbers("hold", hold);
    if (hold[0] > 0) {
        return (Uint32)(timing_start + hold[0]);
    }
#endif
    long ahead[3];
    read_numbers("ahead", ahead);
    return REAL(SDL_GetTicks)() + (Uint32)ahead[0];
}

void SHIM(SDL_Quit)(void)
{
    static long quits;
    char text[32];
    snprintf(text, sizeof text, "%ld\n", ++quits);
    write_file("quits", text);
    REAL(SDL_Quit)();
}

SDL_Surface* SHIM(SDL_CreateRGBSurface)(Uint32 flags, int width, int height, int depth, Uint32 red,
                                        Uint32 green, Uint32 blue, Uint32 alpha)
{
    long fail[3];
    read_numbers("fail_surface", fail);
    if (fail[0] > 0 && width == fail[0] && height == fail[1] && depth == fail[2]) {
        SDL_SetError("Out of memory");
        return NULL;
    }
    return REAL(SDL_CreateRGBSurface)(flags, width, height, depth, red, green, blue, alpha);
}

/* The files of the frame just presented. */
static void write_presented(void)
{
    char text[64];
    if (frame_count == 1) {
        snprintf(text, sizeof text, "%.1f %.1f\n", first_frame_ms - process_start_ms,
                 first_frame_ms - sdl_init_ms);
        write_file("first_frame", text);
    }
    snprintf(text, sizeof text, "%ld\n", frame_count);
    write_file("presented", text);
}

void SHIM(SDL_GL_SwapBuffers)(void)
{
    REAL(SDL_GL_SwapBuffers)();
    pass_swap_ns = monotonic_ns();
    pass_read_ns = next_read_ns;
    next_read_ns = 0;
    read_armed = 0; /* the show reads the ticks once more after the swap, to time it */
    last_frame_ms = now_ms();
    if (frame_count++ == 0) {
        first_frame_ms = last_frame_ms;
    }
#ifdef _WIN32
    write_presented();
#endif
}

#ifndef _WIN32
/* The files are written in the loop's sleep: not in the time the show measures from its clock
 * read to its swap. */
void SDL_Delay(Uint32 ms)
{
    const int main = SDL_ThreadID() == main_thread;
    if (main) {
        write_presented();
    }
    REAL(SDL_Delay)(ms);
    read_armed |= main;
}

/* SDL 1.2 renames its PulseAudio stream with the caption from the caller's thread, unlocked,
 * while the audio thread drives that stream: a caption set once the sound is open can abort. */
void SDL_WM_SetCaption(const char* title, const char* icon)
{
    if (SDL_GetAudioStatus() != SDL_AUDIO_STOPPED) {
        fputs("shim: the caption set while the sound is open\n", stderr);
        abort();
    }
    REAL(SDL_WM_SetCaption)(title, icon);
}

int SDL_GL_SetAttribute(SDL_GLattr attribute, int value)
{
    if (attribute == SDL_GL_SWAP_CONTROL) {
        write_file("swap_control", value == 1 ? "1\n" : "0\n");
    }
    return REAL(SDL_GL_SetAttribute)(attribute, value);
}

/* The shape the 3D scene is drawn for, width over height, and the X window it is drawn in,
 * written whenever the shape changes. */
typedef void gluPerspective_fn(double, double, double, double);
void gluPerspective(double field_of_view, double aspect, double near, double far)
{
    static double written;
    if (aspect != written) {
        char text[32];
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        snprintf(text, sizeof text, "0x%lx\n", SDL_GetWMInfo(&info) > 0 ? info.info.x11.window : 0);
        write_file("window", text);
        snprintf(text, sizeof text, "%.4f\n", aspect);
        write_file("aspect", text);
        written = aspect;
    }
    REAL(gluPerspective)(field_of_view, aspect, near, far);
}

/* The show formats each probe number with snprintf on its main thread, in the pass that read
 * the clock; a thread of its own writes the lines out later. */
int snprintf(char* text, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = vsnprintf(text, size, format, args);
    va_end(args);
    double beats;
    if ((strncmp(format, "|| timing_beats > ", 18) == 0 || strcmp(format, "%f\n") == 0) &&
        sscanf(text + (format[0] == '|' ? 18 : 0), "%lf", &beats) == 1) {
        char path[4096];
        shim_path(path, sizeof path, "probes");
        FILE* file = fopen(path, "a");
        /* Exported by the show for this record alone. */
        const int32_t* lead = (const int32_t*)dlsym(RTLD_DEFAULT, "timing_lead_ms");
        if (file) {
            fprintf(file, "%lld %lld %.6f %d\n", pass_read_ns, pass_swap_ns, beats,
                    lead ? *lead : -1);
            fclose(file);
        }
    }
    return written;
}
#endif

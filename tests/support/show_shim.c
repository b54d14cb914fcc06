/* Test-only companion of the shipped show, loaded with LD_PRELOAD; never part of the show.
 *
 * - SDL_GetTicks() runs ahead by the number of milliseconds written in $CORVANEL_SHIM_DIR/ahead
 *   (absent: 0), so a test can move the show clock without waiting minutes. Only on the main
 *   thread: the audio thread's ticks time the music, which does not jump.
 * - SDL_GL_SwapBuffers() is counted: $CORVANEL_SHIM_DIR/first_frame holds
 *   "<ms from process start to the first presented frame> <ms from SDL_Init to it>" (the
 *   second leaves out the time the setup dialog waited for its answer), and at exit
 *   $CORVANEL_SHIM_DIR/frames holds "<frames> <ms from the first to the last frame>".
 * - SDL_Quit() is counted in $CORVANEL_SHIM_DIR/quits, written at once (a process that dies of
 *   a signal runs no destructor).
 * - SDL_CreateRGBSurface() fails for the surfaces written as "<width> <height> <depth>" in
 *   $CORVANEL_SHIM_DIR/fail_surface, as it would when memory runs out.
 * - Each timing-probe number the show prints is logged in $CORVANEL_SHIM_DIR/probes as
 *   "<CLOCK_MONOTONIC ns when that loop pass read its clock> <ns when its frame was swapped>
 *   <beats>": the pass's clock read is its first SDL_GetTicks() on the main thread.
 */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* RTLD_NEXT */
#endif
#include <SDL.h>

#include <dlfcn.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>

static double process_start_ms;
static double sdl_init_ms;
static double first_frame_ms;
static double last_frame_ms;
static long frame_count;
static pthread_t main_thread;
static long long next_read_ns; /* the main thread's first tick read since the last swap */
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

static long read_ahead_ms(void)
{
    long ahead[3];
    read_numbers("ahead", ahead);
    return ahead[0];
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
    main_thread = pthread_self();
}

__attribute__((destructor)) static void shim_end(void)
{
    char text[64];
    snprintf(text, sizeof text, "%ld %.1f\n", frame_count, last_frame_ms - first_frame_ms);
    write_file("frames", text);
}

int SDL_Init(Uint32 flags)
{
    static int (*real_init)(Uint32);
    if (!real_init) {
        real_init = (int (*)(Uint32))dlsym(RTLD_NEXT, "SDL_Init");
    }
    if (sdl_init_ms == 0) {
        sdl_init_ms = now_ms();
    }
    return real_init(flags);
}

Uint32 SDL_GetTicks(void)
{
    static Uint32 (*real_get_ticks)(void);
    if (!real_get_ticks) {
        real_get_ticks = (Uint32(*)(void))dlsym(RTLD_NEXT, "SDL_GetTicks");
    }
    if (!pthread_equal(pthread_self(), main_thread)) {
        return real_get_ticks();
    }
    if (next_read_ns == 0) {
        next_read_ns = monotonic_ns();
    }
    return real_get_ticks() + (Uint32)read_ahead_ms();
}

void SDL_Quit(void)
{
    static void (*real_quit)(void);
    static long quits;
    char text[32];
    if (!real_quit) {
        real_quit = (void (*)(void))dlsym(RTLD_NEXT, "SDL_Quit");
    }
    snprintf(text, sizeof text, "%ld\n", ++quits);
    write_file("quits", text);
    real_quit();
}

SDL_Surface* SDL_CreateRGBSurface(Uint32 flags, int width, int height, int depth, Uint32 red,
                                  Uint32 green, Uint32 blue, Uint32 alpha)
{
    static SDL_Surface* (*real_create)(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32);
    long fail[3];
    if (!real_create) {
        real_create = (SDL_Surface * (*)(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32))
            dlsym(RTLD_NEXT, "SDL_CreateRGBSurface");
    }
    read_numbers("fail_surface", fail);
    if (fail[0] > 0 && width == fail[0] && height == fail[1] && depth == fail[2]) {
        SDL_SetError("Out of memory");
        return NULL;
    }
    return real_create(flags, width, height, depth, red, green, blue, alpha);
}

void SDL_GL_SwapBuffers(void)
{
    static void (*real_swap)(void);
    if (!real_swap) {
        real_swap = (void (*)(void))dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers");
    }
    real_swap();
    pass_swap_ns = monotonic_ns();
    pass_read_ns = next_read_ns;
    next_read_ns = 0;
    last_frame_ms = now_ms();
    if (frame_count++ == 0) {
        char text[64];
        first_frame_ms = last_frame_ms;
        snprintf(text, sizeof text, "%.1f %.1f\n", first_frame_ms - process_start_ms,
                 first_frame_ms - sdl_init_ms);
        write_file("first_frame", text);
    }
}

int printf(const char* format, ...)
{
    char text[256];
    double beats;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    vsnprintf(text, sizeof text, format, copy);
    va_end(copy);
    if (sscanf(text, "|| timing_beats > %lf", &beats) == 1 ||
        (strcmp(format, "%f\n") == 0 && sscanf(text, "%lf", &beats) == 1)) {
        char path[4096];
        shim_path(path, sizeof path, "probes");
        FILE* file = fopen(path, "a");
        if (file) {
            fprintf(file, "%lld %lld %.6f\n", pass_read_ns, pass_swap_ns, beats);
            fclose(file);
        }
    }
    const int written = vprintf(format, args);
    va_end(args);
    return written;
}

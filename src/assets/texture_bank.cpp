// Depends on SDL for the software surfaces that convert and resample each picture, SDL_image
// for decoding the carried bytes, OpenGL for the texture objects, and std::thread to decode on
// every core: decoding and converting the pictures is most of the show's start-up.
#include "assets/texture_bank.h"

#include "assets/catalogue.h"
#include "assets/resample.h"

#include <SDL_image.h>

#include <algorithm>  // std::max, std::min
#include <atomic>
#include <condition_variable>
#include <cstdio>   // std::fprintf, std::snprintf, std::fputs
#include <cstdlib>  // std::exit
#include <mutex>
#include <thread>
#include <vector>

TextureBank texture_bank;
TextureRecord extra_records[kRecordTableSize];
TextureRecord photo_records[kRecordTableSize];
TextureRecord spinning_logo_record;
TextureRecord pulsing_logo_record;

namespace {
// Red in the lowest byte and alpha in the highest: in memory every pixel reads R, G, B, A,
// which is what glTexImage2D takes as GL_RGBA / GL_UNSIGNED_BYTE on a little-endian machine.
constexpr Uint32 kRedMask = 0x000000FF;
constexpr Uint32 kGreenMask = 0x0000FF00;
constexpr Uint32 kBlueMask = 0x00FF0000;
constexpr Uint32 kAlphaMask = 0xFF000000;
constexpr int kBitsPerPixel = 32;
constexpr int kBytesPerPixel = 4;
constexpr int kFatalStatus = 1;
constexpr int kNameSize = 32;
constexpr int kFailureSize = 256;

PixelView view_of(SDL_Surface* surface)
{
    return PixelView{static_cast<std::uint32_t*>(surface->pixels), surface->w, surface->h,
                     surface->pitch / kBytesPerPixel};
}

// Which byte of a 3-byte pixel SDL reads a channel from: it assembles the pixel in the
// machine's byte order, then masks.
int channel_byte(Uint8 shift)
{
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    return 2 - shift / 8;
#else
    return shift / 8;
#endif
}

bool is_whole_byte(Uint32 mask, Uint8 shift)
{
    return shift % 8 == 0 && mask == Uint32{0xFF} << shift;
}

// True for a picture of 3-byte pixels with a whole byte per colour channel, no alpha and no
// colour key: every JPEG picture as SDL_image decodes it. Widened by widen_rgb24(), it comes
// out as SDL's blit would make it.
bool is_plain_rgb24(const SDL_Surface* surface)
{
    const SDL_PixelFormat* f = surface->format;
    return f->BytesPerPixel == 3 && f->Amask == 0 && (surface->flags & SDL_SRCCOLORKEY) == 0 &&
           is_whole_byte(f->Rmask, f->Rshift) && is_whole_byte(f->Gmask, f->Gshift) &&
           is_whole_byte(f->Bmask, f->Bshift);
}

Rgb24View rgb24_view_of(const SDL_Surface* surface)
{
    const SDL_PixelFormat* f = surface->format;
    return Rgb24View{static_cast<const std::uint8_t*>(surface->pixels),
                     surface->w,
                     surface->h,
                     surface->pitch,
                     channel_byte(f->Rshift),
                     channel_byte(f->Gshift),
                     channel_byte(f->Bshift)};
}

// A decoded picture on its way to OpenGL: its own size and its pixels, first as RGBA at that
// size, then at power-of-two sides; or, when a step failed, the line that says why.
struct PreparedPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    SDL_Surface* pixels = nullptr;
    char failure[kFailureSize] = "";
};

// Converts `source` to RGBA at its own size and frees it. Touches only software surfaces it
// owns, so several can run at once; SDL's error text is the one thing shared, read at once
// into the failure line.
void convert_picture(SDL_Surface* source, PreparedPicture& prepared)
{
    prepared.width = source->w;
    prepared.height = source->h;
    SDL_Surface* conversion = SDL_CreateRGBSurface(0, source->w, source->h, kBitsPerPixel, kRedMask,
                                                   kGreenMask, kBlueMask, kAlphaMask);
    if (conversion == nullptr) {
        std::snprintf(prepared.failure, sizeof prepared.failure, "CreateRGBSurface failed: %s\n",
                      SDL_GetError());
        SDL_FreeSurface(source);
        return;
    }
    // With per-surface alpha set the blit would blend the picture onto the empty (transparent)
    // conversion surface; cleared, it copies the picture's own alpha instead. Colour-keyed
    // pixels are skipped either way and stay fully transparent black.
    if ((source->flags & SDL_SRCALPHA) != 0) {
        SDL_SetAlpha(source, 0, 0);
    }
    // JPEG pictures, most of what is carried, take SDL's slowest blit: widened here instead.
    if (is_plain_rgb24(source)) {
        widen_rgb24(rgb24_view_of(source), source->format->alpha, view_of(conversion));
    } else {
        SDL_BlitSurface(source, nullptr, conversion, nullptr);
    }
    SDL_FreeSurface(source);
    prepared.pixels = conversion;
}

// Resamples converted pixels to power-of-two sides, unless they have them already.
void fit_texture_size(PreparedPicture& prepared, const char* picture_name)
{
    SDL_Surface* conversion = prepared.pixels;
    const std::int32_t pot_width = power_of_two_at_least(prepared.width);
    const std::int32_t pot_height = power_of_two_at_least(prepared.height);
    if (pot_width == prepared.width && pot_height == prepared.height) {
        return;
    }
    const SDL_PixelFormat* format = conversion->format;
    SDL_Surface* pot =
        SDL_CreateRGBSurface(conversion->flags, pot_width, pot_height, format->BitsPerPixel,
                             format->Rmask, format->Gmask, format->Bmask, format->Amask);
    if (pot == nullptr) {
        std::snprintf(prepared.failure, sizeof prepared.failure,
                      "CreateRGBSurface failed for %s (%d x %d): %s\n", picture_name, pot_width,
                      pot_height, SDL_GetError());
    } else {
        resample_nearest(view_of(conversion), view_of(pot));
    }
    SDL_FreeSurface(conversion);
    prepared.pixels = pot;
}

// A picture that could not be prepared ends the process here, with its one line.
void fail_if_unprepared(const PreparedPicture& prepared)
{
    if (prepared.pixels == nullptr) {
        std::fputs(prepared.failure, stderr);
        std::exit(kFatalStatus);
    }
}

// Makes the prepared pixels a texture, appends it to `bank` (which keeps the pixels) and
// leaves it bound.
TextureRecord upload_prepared(const PreparedPicture& prepared, TextureBank& bank)
{
    SDL_Surface* pot = prepared.pixels;
    bank.surfaces.push_back(pot);

    GLuint name = 0;
    glGenTextures(1, &name);
    bank.names.push_back(name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLint filter =
        smooth_when_drawn(prepared.width, prepared.height) ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Surface rows run top first, so texture coordinate t = 0 is the picture's top.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pot->w, pot->h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pot->pixels);

    return TextureRecord{prepared.width, prepared.height,
                         static_cast<std::int32_t>(bank.names.size()) - 1};
}

// One carried picture on its way to the bank.
struct LoadJob {
    AssetBlob blob;
    char name[kNameSize];
    TextureRecord* record;
    PreparedPicture picture;
    bool ready = false;  // guarded by the queue's mutex
};

// The pictures in catalogue order, handed to the workers one at a time and back to the main
// thread as each is ready.
struct LoadQueue {
    std::vector<LoadJob> jobs;
    std::atomic<int> next{0};
    std::atomic<bool> abandoned{false};
    std::mutex mutex;
    std::condition_variable job_ready;
    LoadProgress progress = nullptr;
    std::atomic<int> steps{0};
};

void step_done(LoadQueue& queue)
{
    const int done = ++queue.steps;
    if (queue.progress != nullptr) {
        queue.progress(done, 2 * static_cast<int>(queue.jobs.size()));
    }
}

void add_job(LoadQueue& queue, const AssetBlob& blob, const char* name, TextureRecord* record)
{
    LoadJob job;
    job.blob = blob;
    std::snprintf(job.name, sizeof job.name, "%s", name);
    job.record = record;
    queue.jobs.push_back(job);
}

void add_set_member(LoadQueue& queue, const char* set_name, int position, const AssetBlob& blob,
                    TextureRecord* record)
{
    char name[kNameSize];
    std::snprintf(name, sizeof name, "%s %d", set_name, position);
    add_job(queue, blob, name, record);
}

// Decodes and converts pictures until none is left, or until the main thread has met a
// failure and no longer waits for the rest.
void prepare_jobs(LoadQueue& queue)
{
    const int count = static_cast<int>(queue.jobs.size());
    for (int k = queue.next++; k < count && !queue.abandoned; k = queue.next++) {
        LoadJob& job = queue.jobs[static_cast<std::size_t>(k)];
        SDL_RWops* stream =
            SDL_RWFromMem(const_cast<unsigned char*>(job.blob.bytes), job.blob.length);
        SDL_Surface* picture = IMG_Load_RW(stream, 1);  // closes the stream
        if (picture == nullptr) {
            std::snprintf(job.picture.failure, sizeof job.picture.failure,
                          "IMG_Load_RW failed for %s: %s\n", job.name, SDL_GetError());
        } else {
            convert_picture(picture, job.picture);
        }
        {
            const std::lock_guard<std::mutex> lock(queue.mutex);
            job.ready = true;
        }
        queue.job_ready.notify_all();
        step_done(queue);
    }
}

// Stops the workers after the pictures they are on, waits for them, and frees what they made
// beyond the failed picture: the process is about to end, and ends with nothing left behind
// on any thread.
void abandon_load(LoadQueue& queue, std::vector<std::thread>& workers, std::size_t failed)
{
    queue.abandoned = true;
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (std::size_t k = failed + 1; k < queue.jobs.size(); ++k) {
        if (queue.jobs[k].ready) {
            SDL_FreeSurface(queue.jobs[k].picture.pixels);  // null when it failed too
        }
    }
}
}  // namespace

TextureRecord upload_texture(SDL_Surface* source, TextureBank& bank, const char* picture_name)
{
    PreparedPicture prepared;
    convert_picture(source, prepared);
    fail_if_unprepared(prepared);
    fit_texture_size(prepared, picture_name);
    fail_if_unprepared(prepared);
    return upload_prepared(prepared, bank);
}

void load_textures(LoadProgress progress)
{
    LoadQueue queue;
    queue.progress = progress;
    queue.jobs.reserve(kExtraPictureCount + kPhotoCount + 2);
    for (int k = 0; k < kExtraPictureCount; ++k) {
        add_set_member(queue, "extra_set", k, extra_picture(k), &extra_records[k]);
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        add_set_member(queue, "photo_set", k, photo(k), &photo_records[k]);
    }
    add_job(queue, spinning_logo, "spinning_logo", &spinning_logo_record);
    add_job(queue, pulsing_logo, "pulsing_logo", &pulsing_logo_record);

    // SDL_image sets up each format's decoder the first time it meets one, without a lock;
    // done here, before any worker starts, the workers only ever find them ready.
    IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const int worker_count = std::min(std::max(cores, 1), static_cast<int>(queue.jobs.size()));
    std::vector<std::thread> workers;
    for (int k = 0; k < worker_count; ++k) {
        workers.emplace_back(prepare_jobs, std::ref(queue));
    }

    // Textures are made here, on the thread that owns the context, in catalogue order: the
    // bank's positions and texture names come out as they always have, and of several
    // failures the first in that order is the one reported. The kept pixels are resampled here
    // too, so that they lie in this thread's heap beside the textures rather than among what
    // the workers allocate and free for each picture.
    for (std::size_t k = 0; k < queue.jobs.size(); ++k) {
        LoadJob& job = queue.jobs[k];
        {
            std::unique_lock<std::mutex> lock(queue.mutex);
            queue.job_ready.wait(lock, [&job] { return job.ready; });
        }
        if (job.picture.pixels != nullptr) {
            fit_texture_size(job.picture, job.name);
        }
        if (job.picture.pixels == nullptr) {
            abandon_load(queue, workers, k);
            fail_if_unprepared(job.picture);
        }
        *job.record = upload_prepared(job.picture, texture_bank);
        step_done(queue);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

void free_textures()
{
    if (!texture_bank.names.empty()) {
        glDeleteTextures(static_cast<GLsizei>(texture_bank.names.size()),
                         texture_bank.names.data());
    }
    for (SDL_Surface* surface : texture_bank.surfaces) {
        SDL_FreeSurface(surface);
    }
    texture_bank.names.clear();
    texture_bank.surfaces.clear();
}

GLuint bank_texture(std::int32_t index)
{
    return texture_bank.names[static_cast<std::size_t>(index)];
}

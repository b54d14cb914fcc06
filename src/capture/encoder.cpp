// Depends on FFmpeg: libavformat for the container, libavcodec for libx264 and the sound
// codec, libswscale for RGB to 4:2:0 YUV, libswresample for the sound codec's sample format.
// And on POSIX for placing the finished file: mkstemps, fsync, renameat2 or link.
#include "capture/encoder.h"

#include "core/timeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>     // open, AT_FDCWD
#include <sys/stat.h>  // lstat, stat, fchmod, umask
#include <unistd.h>    // close, fsync, link, unlink, fchown, pathconf

#include <algorithm>  // std::max
#include <cerrno>
#include <cstdio>   // renameat2, RENAME_NOREPLACE, std::rename
#include <cstring>  // std::strlen
#include <filesystem>
#include <vector>

namespace {
// What video sites ask of an upload (so that they re-encode it from a clean start): AAC-LC at
// 384 kb/s for stereo; H.264 with at most two B-frames in a row and a keyframe, in a closed
// group, every half second; the index at the front of the file.
constexpr std::int64_t kAacBitRate = 384000;
constexpr int kMostConsecutiveBFrames = 2;
constexpr int kKeyframesPerSecond = 2;
constexpr char kPartialMark[] = ".partial-XXXXXX";
constexpr int kMostLinksFollowed = 40;  // as the kernel's own limit

struct Output {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* video_stream = nullptr;
    AVStream* audio_stream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    int width = 0;
    int height = 0;
    std::int64_t audio_sent = 0;  // samples per channel handed to the sound encoder
    // The last frame of a capture that reaches the show's end, and how long it is shown (in
    // seconds) where that is less than a whole frame; else no frame is cut short.
    std::int64_t cut_frame = -1;
    AVRational cut_frame_length{0, 1};
    std::string path;     // OUT, as the messages name it
    std::string place;    // where the finished file goes: OUT, or where its links lead
    std::string partial;  // where it is written until then, in the same folder
    bool force = false;
    std::string failure;  // the first thing that went wrong while writing
};
Output output;

std::string describe(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string system_error(int code)
{
    return describe(AVERROR(code));
}

bool fail(const std::string& what, int code = 0)
{
    if (output.failure.empty()) {
        output.failure = code != 0 ? what + ": " + describe(code) : what;
    }
    return false;
}

// Moves every packet the encoder has ready into the container.
bool drain(AVCodecContext* codec, AVStream* stream)
{
    for (;;) {
        const int got = avcodec_receive_packet(codec, output.packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
            return true;
        }
        if (got < 0) {
            return fail("encoding failed", got);
        }
        const bool cut_short = codec == output.video && output.packet->pts == output.cut_frame;
        av_packet_rescale_ts(output.packet, codec->time_base, stream->time_base);
        if (cut_short) {
            output.packet->duration =
                av_rescale_q(output.cut_frame_length.num,
                             AVRational{1, output.cut_frame_length.den}, stream->time_base);
        }
        output.packet->stream_index = stream->index;
        const int wrote = av_interleaved_write_frame(output.format, output.packet);
        if (wrote < 0) {
            return fail("cannot write " + output.path, wrote);
        }
    }
}

bool encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame)
{
    const int sent = avcodec_send_frame(codec, frame);
    if (sent < 0) {
        return fail("the encoder refused a frame", sent);
    }
    return drain(codec, stream);
}

AVStream* add_stream(AVCodecContext* codec)
{
    AVStream* stream = avformat_new_stream(output.format, nullptr);
    if (stream != nullptr) {
        stream->time_base = codec->time_base;
        avcodec_parameters_from_context(stream->codecpar, codec);
    }
    return stream;
}

bool open_video(const CaptureOptions& options)
{
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (h264 == nullptr) {
        return fail("this FFmpeg has no libx264");
    }
    AVCodecContext* c = output.video = avcodec_alloc_context3(h264);
    c->width = options.width;
    c->height = options.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{options.fps_den, options.fps_num};
    c->framerate = AVRational{options.fps_num, options.fps_den};
    c->gop_size = std::max(1, options.fps_num / (options.fps_den * kKeyframesPerSecond));
    c->max_b_frames = kMostConsecutiveBFrames;
    c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    // The tags say what the conversion below does, so that players turn it back into the
    // colours the show drew.
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    if ((output.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    av_opt_set(c->priv_data, "preset", options.preset.c_str(), 0);
    av_opt_set_double(c->priv_data, "crf", options.crf, 0);
    const int opened = avcodec_open2(c, h264, nullptr);
    if (opened < 0) {
        return fail("libx264 did not open", opened);
    }
    output.video_stream = add_stream(c);
    output.video_stream->avg_frame_rate = c->framerate;

    output.scaler = sws_getContext(options.width, options.height, AV_PIX_FMT_BGRA, options.width,
                                   options.height, AV_PIX_FMT_YUV420P,
                                   SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    if (output.scaler == nullptr ||
        sws_setColorspaceDetails(output.scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16) < 0) {
        return fail("swscale cannot convert BGRA to BT.709 YUV");
    }
    output.picture = av_frame_alloc();
    output.picture->format = c->pix_fmt;
    output.picture->width = c->width;
    output.picture->height = c->height;
    const int allocated = av_frame_get_buffer(output.picture, 0);
    return allocated >= 0 || fail("no memory for a frame", allocated);
}

bool open_audio(const CaptureOptions& options)
{
    const AVCodec* codec =
        avcodec_find_encoder(options.matroska ? AV_CODEC_ID_FLAC : AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        return fail("this FFmpeg has no encoder for the sound");
    }
    AVCodecContext* c = output.audio = avcodec_alloc_context3(codec);
    c->sample_fmt = codec->sample_fmts[0];
    c->sample_rate = kAudioRate;
    c->time_base = AVRational{1, kAudioRate};
    av_channel_layout_default(&c->ch_layout, kAudioChannels);
    if (!options.matroska) {
        c->bit_rate = kAacBitRate;
    }
    if ((output.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const int opened = avcodec_open2(c, codec, nullptr);
    if (opened < 0) {
        return fail("the sound encoder did not open", opened);
    }
    output.audio_stream = add_stream(c);

    // The same rate in and out: a change of sample format only, so no delay is added here.
    swr_alloc_set_opts2(&output.resampler, &c->ch_layout, c->sample_fmt, kAudioRate, &c->ch_layout,
                        AV_SAMPLE_FMT_S16, kAudioRate, 0, nullptr);
    if (output.resampler == nullptr || swr_init(output.resampler) < 0) {
        return fail("swresample cannot convert the sound");
    }
    output.sound = av_frame_alloc();
    output.sound->format = c->sample_fmt;
    output.sound->nb_samples = c->frame_size;
    av_channel_layout_copy(&output.sound->ch_layout, &c->ch_layout);
    const int allocated = av_frame_get_buffer(output.sound, 0);
    return allocated >= 0 || fail("no memory for sound", allocated);
}

bool send_sound(const std::int16_t* samples, int count)
{
    if (av_frame_make_writable(output.sound) < 0) {
        return fail("no memory for sound");
    }
    const auto* in =
        reinterpret_cast<const std::uint8_t*>(samples + output.audio_sent * kAudioChannels);
    output.sound->nb_samples = count;
    if (swr_convert(output.resampler, output.sound->data, count, &in, count) != count) {
        return fail("swresample lost samples");
    }
    output.sound->pts = output.audio_sent;
    output.audio_sent += count;
    return encode(output.audio, output.audio_stream, output.sound);
}

void release()
{
    avcodec_free_context(&output.video);
    avcodec_free_context(&output.audio);
    sws_freeContext(output.scaler);
    output.scaler = nullptr;
    swr_free(&output.resampler);
    av_frame_free(&output.picture);
    av_frame_free(&output.sound);
    av_packet_free(&output.packet);
    if (output.format != nullptr) {
        avio_closep(&output.format->pb);
        avformat_free_context(output.format);
        output.format = nullptr;
    }
}

// Where --force writes through a symbolic link at OUT, as FFmpeg's -y (and open) would: the
// file it leads to, link by link, whether or not that file exists yet. The link stays.
std::string link_target(const std::string& path)
{
    std::filesystem::path place = path;
    std::error_code error;
    for (int hop = 0; hop < kMostLinksFollowed && std::filesystem::is_symlink(place, error);
         ++hop) {
        const std::filesystem::path to = std::filesystem::read_symlink(place, error);
        place = to.is_absolute() ? to : place.parent_path() / to;
    }
    return place.string();
}

// OUT's name (the file's it leads to) with ".partial-XXXXXX" before OUT's extension, so that a
// kept one still plays; its stem cut short, at a whole character, where the name would pass
// the longest the folder takes.
std::string partial_template()
{
    const std::filesystem::path place = output.place;
    const std::string extension = std::filesystem::path(output.path).extension().string();
    std::string stem = place.stem().string();
    const std::filesystem::path folder = place.has_parent_path() ? place.parent_path() : ".";
    const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
    const std::size_t fixed = std::strlen(kPartialMark) + extension.size();
    std::size_t cut = longest > 0 && static_cast<std::size_t>(longest) > fixed
                          ? static_cast<std::size_t>(longest) - fixed
                          : 0;
    if (cut < stem.size()) {
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) {
            --cut;  // a UTF-8 character's continuation: the cut goes before its first byte
        }
        stem.resize(cut);
    }
    return place.parent_path() / (stem + kPartialMark + extension);
}

// The file is written under a name of its own beside where it goes (so on the same file
// system, where a rename is atomic). Whatever stands at OUT stays untouched until the capture
// is complete; a file it replaces passes on its permissions, and its owner where that may be
// given.
bool create_partial(std::string& error)
{
    struct stat existing {};
    if (lstat(output.path.c_str(), &existing) == 0 && !output.force && !S_ISDIR(existing.st_mode)) {
        error = output.path + " exists; --force replaces it";
        return false;
    }
    output.place = output.force ? link_target(output.path) : output.path;
    const bool replacing = stat(output.place.c_str(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode)) {
        error = output.path + " is a folder";
        return false;
    }
    std::string name = partial_template();
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int extension = static_cast<int>(name.size() - name.rfind('.'));
    const int fd = mkstemps(buffer.data(), extension);
    if (fd < 0) {
        error = "cannot write " + output.path + ": " + system_error(errno);
        return false;
    }
    output.partial = buffer.data();
    if (replacing) {
        // Only where the user may: as root, or to a group of the user's own.
        const int ignored = fchown(fd, existing.st_uid, existing.st_gid);
        static_cast<void>(ignored);
        fchmod(fd, existing.st_mode & 07777);
    } else {
        // mkstemps makes the file private to its owner; a new capture gets the permissions
        // any new file would.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    close(fd);
    return true;
}

// On the disk, not just in the system's cache, before it takes OUT's name: a crash or power
// cut after the rename must not leave OUT empty.
bool settle_partial()
{
    const int fd = open(output.partial.c_str(), O_RDONLY);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int code = errno;
    if (fd >= 0) {
        close(fd);
    }
    return synced || fail("cannot write " + output.path + ": " + system_error(code));
}

// With --force the finished file replaces OUT in one step. Without it OUT must still be free,
// and taking the name must fail if another program took it meanwhile (two captures of one
// path): a rename that never replaces, or where the file system lacks one, a hard link.
bool place_partial()
{
    const char* from = output.partial.c_str();
    const char* to = output.place.c_str();
    if (output.force) {
        return std::rename(from, to) == 0 ||
               fail("cannot replace " + output.path + ": " + system_error(errno));
    }
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL && link(from, to) == 0) {
        unlink(from);
        return true;
    }
    if (errno == EEXIST) {
        return fail(output.path + " appeared while capturing (" + system_error(errno) + ")");
    }
    return fail("cannot put the capture at " + output.path + ": " + system_error(errno));
}
}  // namespace

bool encoder_open(const CaptureOptions& options, std::string& error)
{
    av_log_set_level(AV_LOG_WARNING);  // x264's and the AAC encoder's statistics are noise here
    output.path = options.out;
    output.force = options.force;
    output.width = options.width;
    output.height = options.height;
    // At a rate whose last frame would be shown past the show's end (--fps 1 --from 179.5),
    // the picture ends where the show does, as the sound does. The last frame's length is
    // counted in 1 / (1000 x fps_num) s, where it is a whole number.
    const std::int64_t last = capture_frame_count(options) - 1;
    const std::int64_t last_length = std::int64_t{capture_show_end_ms(options)} * options.fps_num -
                                     last * 1000 * options.fps_den;
    if (last_length < std::int64_t{1000} * options.fps_den) {
        output.cut_frame = last;
        output.cut_frame_length = av_make_q(static_cast<int>(last_length), 1000 * options.fps_num);
    }
    if (!create_partial(error)) {
        return false;
    }
    const char* container = options.matroska ? "matroska" : "mp4";
    // "file:" so that a name with a colon is never taken for another protocol. The muxer reads
    // the file back by this name to move the mp4's index to the front.
    const std::string url = "file:" + output.partial;
    int status = avformat_alloc_output_context2(&output.format, nullptr, container, url.c_str());
    if (status < 0) {
        error = std::string("FFmpeg has no ") + container + " writer";
        encoder_abandon();
        return false;
    }
    status = avio_open(&output.format->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (status < 0) {
        error = "cannot write " + options.out + ": " + describe(status);
        encoder_abandon();
        return false;
    }
    output.packet = av_packet_alloc();
    if (open_video(options) && open_audio(options)) {
        // The mp4's edit lists (which hide the AAC encoder's priming and end the sound where the
        // pictures end) count in the movie's time scale, by default milliseconds; in samples
        // they are exact.
        AVDictionary* settings = nullptr;
        av_dict_set_int(&settings, "movie_timescale", kAudioRate, 0);
        av_dict_set(&settings, "movflags", "+faststart", 0);
        status = avformat_write_header(output.format, options.matroska ? nullptr : &settings);
        av_dict_free(&settings);
        if (status >= 0) {
            return true;
        }
        fail("cannot write " + options.out, status);
    }
    error = output.failure;
    encoder_abandon();
    return false;
}

bool encoder_video(const unsigned char* pixels, std::int64_t frame)
{
    if (av_frame_make_writable(output.picture) < 0) {
        return fail("no memory for a frame");
    }
    // OpenGL's rows run bottom up: start at the last one and step backwards.
    const int stride = output.width * 4;
    const std::uint8_t* top = pixels + static_cast<std::ptrdiff_t>(output.height - 1) * stride;
    const int up = -stride;
    sws_scale(output.scaler, &top, &up, 0, output.height, output.picture->data,
              output.picture->linesize);
    output.picture->pts = frame;
    return encode(output.video, output.video_stream, output.picture);
}

bool encoder_audio(const std::int16_t* samples, std::int64_t upto)
{
    const int frame_size = output.audio->frame_size;
    while (output.audio_sent + frame_size <= upto) {
        if (!send_sound(samples, frame_size)) {
            return false;
        }
    }
    return true;
}

bool encoder_finish(const std::int16_t* samples, std::int64_t upto, std::string& error)
{
    bool ok = output.failure.empty() && encoder_audio(samples, upto);
    if (ok && upto > output.audio_sent) {
        ok = send_sound(samples, static_cast<int>(upto - output.audio_sent));
    }
    ok = ok && encode(output.video, output.video_stream, nullptr) &&
         encode(output.audio, output.audio_stream, nullptr);
    if (ok) {
        const int wrote = av_write_trailer(output.format);
        ok = wrote >= 0 || fail("cannot finish " + output.path, wrote);
    }
    if (ok) {
        const int closed = avio_closep(&output.format->pb);
        ok = (closed >= 0 || fail("cannot close " + output.path, closed)) && settle_partial();
    }
    release();
    if (!ok) {
        unlink(output.partial.c_str());
        output.failure += "; nothing written to " + output.path;
    } else if (!place_partial()) {
        ok = false;
        output.failure += "; this capture is kept as " + output.partial;
    }
    error = output.failure;
    return ok;
}

std::string encoder_failure()
{
    return output.failure;
}

const char* encoder_partial_path()
{
    return output.partial.c_str();
}

void encoder_abandon()
{
    // The codecs are closed mid-stream; what they would say about the frames left in them is
    // no news beside the capture's own line about why.
    av_log_set_level(AV_LOG_QUIET);
    release();
    if (!output.partial.empty()) {
        unlink(output.partial.c_str());
    }
}

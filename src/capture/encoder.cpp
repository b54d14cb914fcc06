// Depends on FFmpeg: libavformat for the container, libavcodec for libx264 and the sound
// codec, libswscale for RGB to 4:2:0 YUV, libswresample for the sound codec's sample format.
#include "capture/encoder.h"

#include "capture/leftover.h"
#include "capture/partial_file.h"
#include "core/timeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>  // std::max

namespace {
// What video sites ask of an upload (so that they re-encode it from a clean start): AAC-LC at
// 384 kb/s for stereo; H.264 with at most two B-frames in a row and a keyframe, in a closed
// group, every half second; the index at the front of the file.
constexpr std::int64_t kAacBitRate = 384000;
constexpr int kMostConsecutiveBFrames = 2;
constexpr int kKeyframesPerSecond = 2;
// While capturing, pieces that each play once on the disk: Matroska clusters of at most a
// second (the mp4 is cut at every keyframe, twice a second).
constexpr int kLongestClusterMs = 1000;

struct Output {
    PartialTarget target;
    bool matroska = false;
    bool resumed = false;
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
    // No stream starts before time 0 and neither needs an edit list, so that every player shows
    // the same. The pictures are shown `picture_lead` late (in the stream's time base): no less
    // than x264 reorders by (its first decoding time is that far before its first picture's)
    // and no less than the sound encoder's priming, which is heard first. The sound is as
    // late: sound handed over as sample pts is heard at pts; the first is `sound_pts`.
    std::int64_t picture_lead = 0;
    std::int64_t most_reordering = 0;  // frames x264 may reorder by, as it was set up
    std::int64_t reordering = -1;      // frames it does, from its first packet
    std::int64_t sound_pts = 0;
    std::int64_t sound_kept = 0;  // the sound before this came from a resumed capture
    // The last frame of a capture that reaches the show's end, and how long it is shown (in
    // seconds) where that is less than a whole frame; else no frame is cut short.
    std::int64_t cut_frame = -1;
    AVRational cut_frame_length{0, 1};
    std::string path;     // OUT, as the messages name it
    std::string failure;  // the first thing that went wrong while writing
};
Output output;

std::string describe(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
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
        const bool video = codec == output.video;
        if (!video && output.packet->pts < output.sound_kept) {
            // The encoder's priming, fed with the sound a resumed capture already holds.
            continue;
        }
        if (!video && output.resumed) {
            // The sound codec's summary (FLAC's count and checksum of its samples) would cover
            // only what this run encoded: the header's "unknown" is true of the whole.
            av_packet_free_side_data(output.packet);
        }
        const bool cut_short = video && output.packet->pts == output.cut_frame;
        if (video) {
            if (output.reordering < 0) {
                output.reordering = output.packet->pts - output.packet->dts;
            }
            if (output.reordering > output.most_reordering) {
                return fail("x264 reorders by more frames than it was set up for");
            }
            output.packet->dts += output.reordering;  // decoding starts at the first picture
        }
        av_packet_rescale_ts(output.packet, codec->time_base, stream->time_base);
        if (video) {
            output.packet->pts += output.picture_lead;
        }
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
    // With a keyframe every frame (under 4 fps) x264 makes no B-frames, whatever it is asked.
    c->max_b_frames = c->gop_size > 1 ? kMostConsecutiveBFrames : 0;
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
    output.sound->pts = output.sound_pts + output.audio_sent;
    output.audio_sent += count;
    return encode(output.audio, output.audio_stream, output.sound);
}

// The container and its file, whether or not it was finished.
void free_container()
{
    if (output.format != nullptr) {
        avio_closep(&output.format->pb);
        avformat_free_context(output.format);
        output.format = nullptr;
    }
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
    free_container();
}

// The container, writing to `path` under a name of its own making: "file:" so that a name
// with a colon is never taken for another protocol.
bool open_container(const std::string& path, bool matroska)
{
    const char* container = matroska ? "matroska" : "mp4";
    const std::string url = "file:" + path;
    if (avformat_alloc_output_context2(&output.format, nullptr, container, url.c_str()) < 0) {
        return fail(std::string("FFmpeg has no ") + container + " writer");
    }
    const int opened = avio_open(&output.format->pb, url.c_str(), AVIO_FLAG_WRITE);
    return opened >= 0 || fail("cannot write " + output.path, opened);
}

// The container's index and the end of its file, then the file closed: what can fail in
// writing those is the disk's.
bool finish_container()
{
    const int wrote = av_write_trailer(output.format);
    if (wrote < 0) {
        return fail("cannot finish " + output.path, wrote);
    }
    const int closed = avio_closep(&output.format->pb);
    return closed >= 0 || fail("cannot close " + output.path, closed);
}

// A packet as another file held it, into this one's stream.
bool write_copy(AVStream* stream, AVPacket* packet, const AVStream* from)
{
    av_packet_rescale_ts(packet, from->time_base, stream->time_base);
    packet->stream_index = stream->index;
    packet->pos = -1;
    const int wrote = av_interleaved_write_frame(output.format, packet);
    return wrote >= 0 || fail("cannot write " + output.path, wrote);
}

// What a resumed capture kept goes first, as it was encoded. Its pictures are stored in the
// file's form, lengths before their units; x264 gives (and the container expects, to store
// them its own way) start codes, as the kept ones become.
bool copy_resumed(const Leftover& resumed)
{
    AVBSFContext* to_start_codes = nullptr;
    std::string why;
    const bool copied = leftover_copy(
        resumed,
        [&](const AVStream* video, const AVStream*) {
            const AVBitStreamFilter* filter = av_bsf_get_by_name("h264_mp4toannexb");
            if (filter == nullptr || av_bsf_alloc(filter, &to_start_codes) < 0 ||
                avcodec_parameters_copy(to_start_codes->par_in, video->codecpar) < 0) {
                return false;
            }
            to_start_codes->time_base_in = video->time_base;
            return av_bsf_init(to_start_codes) >= 0;
        },
        [&](AVPacket* packet, const AVStream* from, bool video) {
            if (!video) {
                return write_copy(output.audio_stream, packet, from);
            }
            bool ok = av_bsf_send_packet(to_start_codes, packet) >= 0;
            while (ok && av_bsf_receive_packet(to_start_codes, packet) >= 0) {
                ok = write_copy(output.video_stream, packet, from);
            }
            return ok;
        },
        why);
    av_bsf_free(&to_start_codes);
    return copied || fail(why.empty() ? "cannot go on from " + resumed.path : why);
}

// The mp4 captured in fragments, copied whole into one with a single index at the front, as
// players seek best in and video sites ask for. On success `path` names the copy.
bool put_in_order(std::string& path)
{
    std::string ordered;
    std::string why;
    if (!partial_another(output.target, ordered, why)) {
        return fail(why);
    }
    AVFormatContext* fragmented = output.format;
    output.format = nullptr;
    const Leftover whole{path, "", INT64_MAX, 0, INT64_MAX};
    bool ok = leftover_copy(
                  whole,
                  [&](const AVStream* video, const AVStream* audio) {
                      if (!open_container(ordered, false)) {
                          return false;
                      }
                      for (const AVStream* from : {video, audio}) {
                          AVStream* to = avformat_new_stream(output.format, nullptr);
                          if (to == nullptr ||
                              avcodec_parameters_copy(to->codecpar, from->codecpar) < 0) {
                              return fail("no memory for the file's streams");
                          }
                          to->time_base = from->time_base;
                          to->avg_frame_rate = from->avg_frame_rate;
                      }
                      av_dict_copy(&output.format->metadata, fragmented->metadata, 0);
                      AVDictionary* settings = nullptr;
                      av_dict_set(&settings, "movflags", "+faststart", 0);
                      av_dict_set_int(&settings, "use_editlist", 0, 0);
                      const int status = avformat_write_header(output.format, &settings);
                      av_dict_free(&settings);
                      return status >= 0 || fail("cannot write " + output.path, status);
                  },
                  [](AVPacket* packet, const AVStream* from, bool video) {
                      return write_copy(output.format->streams[video ? 0 : 1], packet, from);
                  },
                  why) ||
              fail(why.empty() ? "cannot write " + output.path : why);
    ok = ok && finish_container();
    free_container();
    output.format = fragmented;
    if (!ok) {
        partial_remove(ordered);
        return false;
    }
    path = ordered;
    return true;
}
}  // namespace

bool encoder_open(const CaptureOptions& options, const PartialTarget& target,
                  const Leftover* resumed, EncoderStart& start, std::string& error)
{
    av_log_set_level(AV_LOG_WARNING);  // x264's and the AAC encoder's statistics are noise here
    output.path = options.out;
    output.target = target;
    output.matroska = options.matroska;
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
    output.packet = av_packet_alloc();
    if (!open_container(output.target.partial, options.matroska) || !open_video(options) ||
        !open_audio(options)) {
        error = output.failure;
        encoder_abandon();
        return false;
    }
    av_dict_set(&output.format->metadata, "comment", capture_settings_text(options).c_str(), 0);
    // Each piece a whole that plays once it is on the disk: the mp4 in fragments from one
    // keyframe to the next, behind an index of the streams alone; Matroska in short clusters.
    AVDictionary* settings = nullptr;
    av_dict_set(&settings, "movflags", "+frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set_int(&settings, "use_editlist", 0, 0);
    av_dict_set_int(&settings, "cluster_time_limit", kLongestClusterMs, 0);
    output.format->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    const int status = avformat_write_header(output.format, &settings);
    av_dict_free(&settings);
    if (status < 0) {
        fail("cannot write " + options.out, status);
        error = output.failure;
        encoder_abandon();
        return false;
    }

    // x264 reorders by up to this many frames; its first timestamps start as far below the
    // first picture's, which is shown that much late, and so is the sound. The sound encoder's
    // priming is heard before the first sample handed to it, from time 0.
    output.most_reordering = output.video->has_b_frames;
    const int priming = output.audio->initial_padding;
    const AVRational base = output.video_stream->time_base;
    const AVRational reordering_time =
        av_make_q(static_cast<int>(output.most_reordering) * options.fps_den, options.fps_num);
    const AVRational priming_time = av_make_q(priming, kAudioRate);
    const AVRational lead =
        av_cmp_q(reordering_time, priming_time) > 0 ? reordering_time : priming_time;
    output.picture_lead = av_rescale_q_rnd(1, lead, base, AV_ROUND_UP);
    const std::int64_t sound_lead =
        av_rescale_q(output.picture_lead, base, AVRational{1, kAudioRate});
    output.sound_pts = priming;
    start = EncoderStart{};
    if (resumed != nullptr) {
        output.resumed = true;
        if (!copy_resumed(*resumed)) {
            error = output.failure;
            encoder_abandon();
            return false;
        }
        // The new encoder is primed with the sound before the resumed one's end, and what it
        // makes of that is dropped: it starts again where the kept sound ends.
        output.sound_kept = resumed->sound_end;
        output.sound_pts = resumed->sound_end - priming;
        start.frame = resumed->frames;
    }
    start.sound_from = output.sound_pts - sound_lead;
    return true;
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
         encode(output.audio, output.audio_stream, nullptr) && finish_container();
    std::string finished = output.target.partial;
    std::string kept;  // a file that plays, left to the user where it cannot become OUT
    if (ok && !output.matroska && !put_in_order(finished)) {
        ok = false;
        kept = finished;
    }
    std::string why;
    if (ok && !partial_settle(finished, why)) {
        ok = fail("cannot write " + output.path + ": " + why);
    }
    release();
    if (ok && !partial_place(output.target, finished, why)) {
        ok = fail(why);
        kept = finished;
    }
    for (const std::string& path : {output.target.partial, finished}) {
        if (path != kept && !(ok && path == finished)) {
            partial_remove(path);
        }
    }
    if (!kept.empty()) {
        partial_keep(kept);
        output.failure += "; this capture is kept as " + kept + ", which plays";
    } else if (!ok) {
        output.failure += "; nothing written to " + output.path;
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
    return output.target.partial.c_str();
}

void encoder_abandon()
{
    // The codecs are closed mid-stream; what they would say about the frames left in them is
    // no news beside the capture's own line about why.
    av_log_set_level(AV_LOG_QUIET);
    release();
    partial_remove_all_now();
}

// Depends on FFmpeg's libavformat, which reads what a capture wrote as any player would.
#include "capture/leftover.h"

#include "core/timeline.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>  // std::sort
#include <cstring>    // std::strcmp
#include <vector>

namespace {
struct Reader {
    int log_level;
    AVFormatContext* format = nullptr;
    AVPacket* packet = av_packet_alloc();
    int video = -1;
    int audio = -1;

    // What FFmpeg would say about a file cut short by a kill (a last piece part written, no
    // stream parameters before the first frame) is no news: the caller says what it holds.
    explicit Reader(const std::string& path) : log_level(av_log_get_level())
    {
        av_log_set_level(AV_LOG_QUIET);
        // "file:" so that a name with a colon is never taken for another protocol.
        const std::string url = "file:" + path;
        if (avformat_open_input(&format, url.c_str(), nullptr, nullptr) < 0 ||
            avformat_find_stream_info(format, nullptr) < 0) {
            return;
        }
        video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        stores_decoding_times = std::strcmp(format->iformat->name, "matroska,webm") != 0;
        audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    }
    ~Reader()
    {
        av_packet_free(&packet);
        avformat_close_input(&format);
        av_log_set_level(log_level);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool opened() const
    {
        return video >= 0 && audio >= 0;
    }
    // The next packet, or false at the end of what can be read. Matroska keeps no decoding
    // times (its reader makes some up); a capture's go up a frame at a time from 0, the
    // pictures' in the order stored.
    bool next()
    {
        av_packet_unref(packet);
        if (av_read_frame(format, packet) < 0) {
            return false;
        }
        if (packet->stream_index == video && !stores_decoding_times) {
            const AVStream* stream = format->streams[video];
            packet->dts =
                av_rescale_q(video_packets, av_inv_q(stream->avg_frame_rate), stream->time_base);
        }
        video_packets += packet->stream_index == video ? 1 : 0;
        return true;
    }
    std::int64_t video_packets = 0;  // read so far
    bool stores_decoding_times = true;
    AVRational time_base(int stream) const
    {
        return format->streams[stream]->time_base;
    }
    std::int64_t in_samples(std::int64_t t) const
    {
        return av_rescale_q(t, time_base(audio), AVRational{1, kAudioRate});
    }
};

struct SoundPacket {
    std::int64_t start;  // in samples
    bool whole;
};
}  // namespace

bool leftover_read(const std::string& path, Leftover& found)
{
    found = Leftover{};
    found.path = path;
    Reader reader(path);
    if (!reader.opened()) {
        return false;
    }
    const AVDictionaryEntry* settings = av_dict_get(reader.format->metadata, "comment", nullptr, 0);
    found.settings = settings != nullptr ? settings->value : "";
    std::int64_t video_packets = 0;
    std::int64_t first_pts = AV_NOPTS_VALUE;
    std::int64_t last_key_pts = AV_NOPTS_VALUE;
    std::vector<SoundPacket> sound;
    while (reader.next()) {
        const AVPacket& p = *reader.packet;
        if (p.stream_index == reader.video) {
            if ((p.flags & AV_PKT_FLAG_KEY) != 0) {
                found.frames = video_packets;
                last_key_pts = p.pts;
            }
            first_pts = video_packets++ == 0 ? p.pts : first_pts;
        } else if (p.stream_index == reader.audio) {
            sound.push_back({reader.in_samples(p.pts), (p.flags & AV_PKT_FLAG_CORRUPT) == 0});
        }
    }
    if (found.frames == 0) {
        return false;
    }
    const AVRational video_base = reader.time_base(reader.video);
    found.seconds = static_cast<double>(last_key_pts - first_pts) * av_q2d(video_base);
    // A packet ends where the next begins (a container may not store its length); the last
    // one read, which the kill may have cut short, is never kept.
    std::sort(sound.begin(), sound.end(),
              [](const SoundPacket& a, const SoundPacket& b) { return a.start < b.start; });
    const std::int64_t cut = av_rescale_q(last_key_pts, video_base, AVRational{1, kAudioRate});
    found.sound_end = sound.empty() ? 0 : sound.front().start;
    for (std::size_t i = 0; i + 1 < sound.size() && sound[i].whole && sound[i + 1].start <= cut;
         ++i) {
        found.sound_end = sound[i + 1].start;
    }
    return true;
}

bool leftover_copy(const Leftover& found,
                   const std::function<bool(const AVStream* video, const AVStream* audio)>& streams,
                   const std::function<bool(AVPacket*, const AVStream* from, bool video)>& write,
                   std::string& error)
{
    Reader reader(found.path);
    if (!reader.opened()) {
        error = "cannot read " + found.path + " again";
        return false;
    }
    if (!streams(reader.format->streams[reader.video], reader.format->streams[reader.audio])) {
        return false;
    }
    // A packet's length is where the next of its stream begins; the last one's, where its
    // stream ends. A reader's own lengths are not all as written (the mp4 reader makes the
    // first sound packet's nothing, and the last ones a whole codec frame).
    struct Pending {
        AVPacket* packet = av_packet_alloc();
        bool kept = false;
        std::int64_t first_dts = AV_NOPTS_VALUE;
    };
    Pending pending[2];
    const auto hand_on = [&](Pending& held, std::int64_t next_dts) {
        held.packet->duration = next_dts - held.packet->dts;
        const bool video = &held == &pending[0];
        const bool ok =
            !held.kept ||
            write(held.packet, reader.format->streams[video ? reader.video : reader.audio], video);
        av_packet_unref(held.packet);
        held.kept = false;
        return ok;
    };
    bool ok = true;
    std::int64_t video_packets = 0;
    while (ok && reader.next()) {
        AVPacket* p = reader.packet;
        const bool video = p->stream_index == reader.video;
        if (!video && p->stream_index != reader.audio) {
            continue;
        }
        Pending& held = pending[video ? 0 : 1];
        if (held.packet->data != nullptr) {
            ok = hand_on(held, p->dts);
        }
        held.first_dts = held.first_dts == AV_NOPTS_VALUE ? p->dts : held.first_dts;
        held.kept =
            video ? video_packets++ < found.frames : reader.in_samples(p->pts) < found.sound_end;
        av_packet_move_ref(held.packet, p);
    }
    for (Pending& held : pending) {
        const AVStream* stream =
            reader.format->streams[&held == &pending[0] ? reader.video : reader.audio];
        if (ok && held.packet->data != nullptr && stream->duration > 0) {
            ok = hand_on(held, held.first_dts + stream->duration);
        }
        av_packet_free(&held.packet);
    }
    return ok;
}

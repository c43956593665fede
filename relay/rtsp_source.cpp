#include "relay/rtsp_source.h"

#include <algorithm>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include "relay/source_refusal.h"

namespace kalore {

namespace {

// Whole MPEG-TS packets per write, so a reader joining between two writes starts
// on a packet boundary.
constexpr int kOutputBufferSize = 188 * 64;
// The gap left between the last picture before a reconnection and the first after.
constexpr AVRational kFrameGap{1, 25};

std::string ErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

} // namespace

RtspSource::RtspSource(std::string address, Timing timing, Events events)
    : address_(std::move(address)), timing_(timing), events_(std::move(events)),
      latestDts_(AV_NOPTS_VALUE), thread_([this] { Run(); }) {}

RtspSource::~RtspSource() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        abortIo_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (output_) {
        av_write_trailer(output_);
        av_freep(&output_->pb->buffer);
        avio_context_free(&output_->pb);
        avformat_free_context(output_);
    }
}

int RtspSource::Interrupt(void* self) {
    return static_cast<RtspSource*>(self)->abortIo_;
}

int RtspSource::WriteBytes(void* self, std::uint8_t* bytes, int size) {
    static_cast<RtspSource*>(self)->events_.bytes(reinterpret_cast<const char*>(bytes),
                                                  static_cast<std::size_t>(size));
    return size;
}

void RtspSource::Run() {
    auto pause = timing_.firstRetry;
    bool everOpened = false;
    for (;;) {
        AVFormatContext* input = nullptr;
        int error = Open(&input);
        if (error >= 0 && !output_)
            error = StartOutput(*input);
        if (error >= 0) {
            if (everOpened) {
                events_.log("Relais RTSP : flux retrouvé (" + address_ + ")");
            } else {
                everOpened = true;
                events_.opened();
            }
            rebase_ = latestDts_ != AV_NOPTS_VALUE;
            pause = timing_.firstRetry;
            error = Pump(*input);
        }
        Close(&input);
        std::unique_lock lock(mutex_);
        if (stop_)
            break;
        if (!everOpened) {
            lock.unlock();
            ended_ = true;
            events_.refused(SourceRefusalReason(error));
            return;
        }
        // Once per outage: the tries that follow would fill the log.
        if (pause == timing_.firstRetry)
            events_.log("Relais RTSP : flux perdu (" + ErrorText(error) + "), nouveaux essais " +
                        "jusqu'à son retour (" + address_ + ")");
        if (wake_.wait_for(lock, pause, [this] { return stop_; }))
            break;
        pause = std::min(pause * 2, timing_.longestRetry);
    }
    ended_ = true;
}

int RtspSource::Open(AVFormatContext** input) {
    *input = avformat_alloc_context();
    if (!*input)
        return AVERROR(ENOMEM);
    (*input)->interrupt_callback = {&RtspSource::Interrupt, this};
    const auto silence = std::chrono::duration_cast<std::chrono::microseconds>(timing_.silence);
    AVDictionary* options = nullptr;
    // UDP first, as the box prefers; TCP-interleaved when UDP brings nothing.
    av_dict_set(&options, "rtsp_transport", "udp+tcp", 0);
    av_dict_set(&options, "timeout", std::to_string(silence.count()).c_str(), 0);
    // A key frame comes every second or so: enough to know the streams.
    av_dict_set(&options, "analyzeduration", "1500000", 0);
    int error = avformat_open_input(input, address_.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (error >= 0)
        error = avformat_find_stream_info(*input, nullptr);
    return error;
}

int RtspSource::StartOutput(const AVFormatContext& input) {
    int error = avformat_alloc_output_context2(&output_, nullptr, "mpegts", nullptr);
    if (error < 0)
        return error;
    for (unsigned i = 0; i < input.nb_streams; ++i) {
        const AVStream& in = *input.streams[i];
        const AVMediaType type = in.codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO &&
            type != AVMEDIA_TYPE_SUBTITLE)
            continue;
        AVStream* out = avformat_new_stream(output_, nullptr);
        if (!out || avcodec_parameters_copy(out->codecpar, in.codecpar) < 0)
            return AVERROR(ENOMEM);
        out->codecpar->codec_tag = 0;
        // The muxer keeps an id of 16 and above as the PID.
        out->id = in.id;
        out->time_base = in.time_base;
        outputOfId_[in.id] = out->index;
    }
    lastDts_.assign(output_->nb_streams, AV_NOPTS_VALUE);
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kOutputBufferSize));
    output_->pb = avio_alloc_context(buffer, kOutputBufferSize, 1, this, nullptr,
                                     &RtspSource::WriteBytes, nullptr);
    if (!output_->pb)
        return AVERROR(ENOMEM);
    // Each packet goes out at once: the readers see the picture without waiting for
    // a buffer to fill.
    output_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    return avformat_write_header(output_, nullptr);
}

int RtspSource::Pump(AVFormatContext& input) {
    AVPacket* packet = av_packet_alloc();
    int error = 0;
    while (error >= 0) {
        error = av_read_frame(&input, packet);
        if (error < 0)
            break;
        const AVStream& in = *input.streams[packet->stream_index];
        const auto found = outputOfId_.find(in.id);
        if (found == outputOfId_.end()) {
            av_packet_unref(packet);
            continue;
        }
        const int output = found->second;
        av_packet_rescale_ts(packet, in.time_base, output_->streams[output]->time_base);
        if (!Shift(*packet, output)) {
            av_packet_unref(packet);
            continue;
        }
        packet->stream_index = output;
        packet->pos = -1;
        // The box's stream is interleaved already: written as it comes, no added
        // delay. A packet the muxer refuses is dropped; the stream goes on.
        av_write_frame(output_, packet);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return error;
}

bool RtspSource::Shift(AVPacket& packet, int output) {
    if (packet.dts == AV_NOPTS_VALUE)
        packet.dts = packet.pts;
    if (packet.dts == AV_NOPTS_VALUE)
        return false;
    if (rebase_) {
        // A new session starts its clock anywhere: carry on from the last one.
        const AVRational base = output_->streams[output]->time_base;
        offset_ = latestDts_ + av_rescale_q(1, kFrameGap, base) - packet.dts;
        rebase_ = false;
    }
    packet.dts += offset_;
    if (packet.pts != AV_NOPTS_VALUE)
        packet.pts += offset_;
    std::int64_t& last = lastDts_[static_cast<std::size_t>(output)];
    if (last != AV_NOPTS_VALUE && packet.dts <= last)
        return false;
    last = packet.dts;
    latestDts_ = latestDts_ == AV_NOPTS_VALUE ? last : std::max(latestDts_, last);
    return true;
}

void RtspSource::Close(AVFormatContext** input) {
    // The interrupt that stopped the read would also stop the TEARDOWN: lift it.
    abortIo_ = false;
    avformat_close_input(input);
    std::lock_guard lock(mutex_);
    abortIo_ = stop_;
}

} // namespace kalore

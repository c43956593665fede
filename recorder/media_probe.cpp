#include "recorder/media_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>
#include <vector>

namespace kalore {
namespace {

// Past this many packets without a frame, the file holds nothing playable.
constexpr int kPacketsToDecode = 2000;

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;
using Decoder = std::unique_ptr<AVCodecContext, CodecFreer>;

Decoder OpenDecoder(const AVStream& stream) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (codec == nullptr) {
        return nullptr;
    }
    Decoder decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return decoder;
}

// Whether a packet of any picture or sound stream decodes into a frame.
bool DecodesAFrame(AVFormatContext& input, std::vector<Decoder>& decoders) {
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (!packet || !frame) {
        return false;
    }
    for (int read = 0; read < kPacketsToDecode && av_read_frame(&input, packet.get()) >= 0;
         ++read) {
        // A stream found after the first look has no decoder here.
        const auto index = static_cast<std::size_t>(packet->stream_index);
        AVCodecContext* decoder = index < decoders.size() ? decoders[index].get() : nullptr;
        const bool sent = decoder != nullptr && avcodec_send_packet(decoder, packet.get()) >= 0;
        av_packet_unref(packet.get());
        if (sent && avcodec_receive_frame(decoder, frame.get()) >= 0) {
            return true;
        }
    }
    // A decoder holding frames back gives them up when drained.
    for (Decoder& decoder : decoders) {
        if (decoder && avcodec_send_packet(decoder.get(), nullptr) >= 0 &&
            avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<MediaContents> ProbeMediaFile(const std::string& path) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {
        return std::nullopt;
    }
    Input input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        return std::nullopt;
    }
    MediaContents contents;
    std::vector<Decoder> decoders(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream& stream = *input->streams[i];
        const AVMediaType type = stream.codecpar->codec_type;
        contents.video = contents.video || type == AVMEDIA_TYPE_VIDEO;
        contents.audio = contents.audio || type == AVMEDIA_TYPE_AUDIO;
        if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO) {
            decoders[i] = OpenDecoder(stream);
        }
    }
    contents.decodable = DecodesAFrame(*input, decoders);
    return contents;
}

} // namespace kalore

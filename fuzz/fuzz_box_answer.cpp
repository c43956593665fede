// Any bytes as what the box sends: its RTSP answer, its description, its RTP and
// MPEG-TS packets. No crash, nothing read or written out of bounds, and what the
// relay would send back to the box (the controls) stays a request token pointing
// at the box asked.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "relay/box_description.h"
#include "relay/rtp_payload.h"
#include "relay/rtsp_answer.h"
#include "relay/ts_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kalore::RtspAnswer answer;
    std::size_t used = 0;
    if (kalore::ReadRtspAnswer(bytes, answer, used) == kalore::AnswerRead::Whole &&
        (used > size || answer.body.size() > 64 * 1024))
        std::abort();

    const std::string box = "rtsp://192.168.0.254/fbxtv_pub/stream?service=201";
    const kalore::BoxDescription description = kalore::ReadBoxDescription(bytes, box, box + "/");
    if (description.refusal.empty() && (!kalore::IsRequestToken(description.streamControl) ||
                                        !kalore::SameBox(box, description.sessionControl) ||
                                        !kalore::SameBox(box, description.streamControl)))
        std::abort();

    if (const auto payload = kalore::MpegTsOfRtp(data, size);
        payload && payload->offset + payload->size > size)
        std::abort();

    std::vector<std::uint8_t> packets(data, data + size - size % kalore::kTsPacketSize);
    kalore::TsProgram program;
    kalore::TsTimeline timeline;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t at = 0; at < packets.size(); at += kalore::kTsPacketSize) {
            packets[at] = kalore::kTsSyncByte;
            timeline.Follow(packets.data() + at, program);
            program.Inspect(packets.data() + at);
        }
        timeline.Rejoin();
    }
    return 0;
}

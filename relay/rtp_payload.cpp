#include "relay/rtp_payload.h"

#include "relay/ts_packets.h"

namespace kalore {

std::optional<RtpPayload> MpegTsOfRtp(const std::uint8_t* packet, std::size_t size) {
    constexpr std::size_t kFixedHeader = 12;
    if (size < kFixedHeader || (packet[0] >> 6) != 2)
        return std::nullopt;
    std::size_t offset = kFixedHeader + 4 * std::size_t{packet[0] & 0x0Fu};
    if (packet[0] & 0x10) {
        if (offset + 4 > size)
            return std::nullopt;
        offset += 4 + 4 * ((std::size_t{packet[offset + 2]} << 8) | packet[offset + 3]);
    }
    std::size_t end = size;
    if (packet[0] & 0x20) {
        const std::size_t padding = packet[size - 1];
        if (padding > end)
            return std::nullopt;
        end -= padding;
    }
    if (offset >= end || (end - offset) % kTsPacketSize != 0 || packet[offset] != kTsSyncByte)
        return std::nullopt;
    return RtpPayload{offset, end - offset};
}

} // namespace kalore

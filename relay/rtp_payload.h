#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kalore {

// Where the MPEG-TS packets an RTP packet carries lie in it.
struct RtpPayload {
    std::size_t offset;
    std::size_t size;
};

// None when `packet` is not RTP or doesn't carry whole MPEG-TS packets.
std::optional<RtpPayload> MpegTsOfRtp(const std::uint8_t* packet, std::size_t size);

} // namespace kalore

#include "relay/ts_packets.h"

#include <algorithm>
#include <string_view>

namespace kalore {

namespace {

constexpr std::int64_t kClockWrap = std::int64_t{1} << 33;
// The gap left between the last picture before a new session and the first after.
constexpr std::int64_t kRejoinGap = 90000 / 25;
// A new session that brings no clock for this many packets keeps its own times:
// better a jump than nothing at all.
constexpr int kRejoinPatience = 20000;

bool UnitStart(const std::uint8_t* packet) {
    return (packet[1] & 0x40) != 0;
}

bool HasAdaptation(const std::uint8_t* packet) {
    return (packet[3] & 0x20) != 0 && packet[4] > 0;
}

std::int64_t Wrapped(std::int64_t time) {
    return ((time % kClockWrap) + kClockWrap) % kClockWrap;
}

std::int64_t ReadPesTime(const std::uint8_t* b) {
    return (std::int64_t{(b[0] >> 1) & 7} << 30) | (std::int64_t{b[1]} << 22) |
           (std::int64_t{b[2] >> 1} << 15) | (std::int64_t{b[3]} << 7) | (b[4] >> 1);
}

void WritePesTime(std::uint8_t* b, std::int64_t time) {
    b[0] = static_cast<std::uint8_t>((b[0] & 0xF1) | ((time >> 29) & 0x0E));
    b[1] = static_cast<std::uint8_t>(time >> 22);
    b[2] = static_cast<std::uint8_t>(((time >> 14) & 0xFE) | (b[2] & 1));
    b[3] = static_cast<std::uint8_t>(time >> 7);
    b[4] = static_cast<std::uint8_t>(((time << 1) & 0xFE) | (b[4] & 1));
}

std::int64_t ReadPcrBase(const std::uint8_t* b) {
    return (std::int64_t{b[0]} << 25) | (std::int64_t{b[1]} << 17) | (std::int64_t{b[2]} << 9) |
           (std::int64_t{b[3]} << 1) | (b[4] >> 7);
}

void WritePcrBase(std::uint8_t* b, std::int64_t base) {
    b[0] = static_cast<std::uint8_t>(base >> 25);
    b[1] = static_cast<std::uint8_t>(base >> 17);
    b[2] = static_cast<std::uint8_t>(base >> 9);
    b[3] = static_cast<std::uint8_t>(base >> 1);
    b[4] = static_cast<std::uint8_t>((b[4] & 0x7F) | ((base & 1) << 7));
}

// The section a packet starting a table carries: [begin, end) of its body, after
// the 8-byte header and before the CRC. None when it doesn't fit in the packet.
struct Section {
    std::size_t begin;
    std::size_t end;
};
std::optional<Section> TableSection(const std::uint8_t* packet, int tableId) {
    const std::optional<std::size_t> payload = TsPayloadOffset(packet);
    if (!payload || !UnitStart(packet))
        return std::nullopt;
    const std::size_t start = *payload + 1 + packet[*payload];
    if (start + 8 > kTsPacketSize || packet[start] != tableId)
        return std::nullopt;
    const std::size_t length = ((packet[start + 1] & 0x0F) << 8) | packet[start + 2];
    const std::size_t end = start + 3 + length;
    if (length < 9 || end > kTsPacketSize)
        return std::nullopt;
    return Section{start + 8, end - 4};
}

int Pid13(const std::uint8_t* b) {
    return ((b[0] & 0x1F) << 8) | b[1];
}

bool IsVideoType(int type) {
    // MPEG-1, MPEG-2, MPEG-4 part 2, H.264, HEVC.
    return type == 0x01 || type == 0x02 || type == 0x10 || type == 0x1B || type == 0x24;
}

bool IsKeyUnit(int videoType, std::uint8_t code) {
    switch (videoType) {
    case 0x1B: {
        const int nal = code & 0x1F; // IDR picture or sequence parameters
        return nal == 5 || nal == 7;
    }
    case 0x24: {
        const int nal = (code >> 1) & 0x3F; // parameter sets or a random access picture
        return (nal >= 16 && nal <= 21) || (nal >= 32 && nal <= 34);
    }
    case 0x10:
        return code == 0xB0 || code == 0xB3;
    default: // sequence header or group of pictures
        return code == 0xB3 || code == 0xB8;
    }
}

// Streams whose PES header has no time fields.
bool PesHasTimes(std::uint8_t streamId) {
    return streamId != 0xBC && streamId != 0xBE && streamId != 0xBF && streamId != 0xF0 &&
           streamId != 0xF1 && streamId != 0xF2 && streamId != 0xF8 && streamId != 0xFF;
}

} // namespace

std::optional<std::size_t> TsPayloadOffset(const std::uint8_t* packet) {
    if (packet[0] != kTsSyncByte || (packet[3] & 0x10) == 0)
        return std::nullopt;
    std::size_t offset = 4;
    if (packet[3] & 0x20)
        offset += 1 + packet[4];
    if (offset >= kTsPacketSize)
        return std::nullopt;
    return offset;
}

int TsPid(const std::uint8_t* packet) {
    return Pid13(packet + 1);
}

bool TsProgram::Inspect(const std::uint8_t* packet) {
    if (packet[0] != kTsSyncByte)
        return false;
    const int pid = TsPid(packet);
    if (pid == 0)
        ReadPat(packet);
    else if (pid == pmtPid_)
        ReadPmt(packet);
    else if (pid == videoPid_ && StartsKeyFrame(packet))
        return keyFramesSeen_ = true;
    return false;
}

void TsProgram::ReadPat(const std::uint8_t* packet) {
    const std::optional<Section> section = TableSection(packet, 0x00);
    if (!section)
        return;
    for (std::size_t i = section->begin; i + 4 <= section->end; i += 4) {
        const int number = (packet[i] << 8) | packet[i + 1];
        if (number != 0) {
            pmtPid_ = Pid13(packet + i + 2);
            Keep(pat_, packet);
            return;
        }
    }
}

void TsProgram::ReadPmt(const std::uint8_t* packet) {
    const std::optional<Section> section = TableSection(packet, 0x02);
    if (!section || section->begin + 4 > section->end)
        return;
    const std::size_t infoLength =
        ((packet[section->begin + 2] & 0x0F) << 8) | packet[section->begin + 3];
    std::vector<int> pids;
    int videoPid = -1;
    int videoType = 0;
    for (std::size_t i = section->begin + 4 + infoLength; i + 5 <= section->end;
         i += 5 + (((packet[i + 3] & 0x0F) << 8) | packet[i + 4])) {
        const int pid = Pid13(packet + i + 1);
        pids.push_back(pid);
        if (videoPid < 0 && IsVideoType(packet[i])) {
            videoPid = pid;
            videoType = packet[i];
        }
    }
    elementaryPids_ = std::move(pids);
    videoPid_ = videoPid;
    videoType_ = videoType;
    Keep(pmt_, packet);
}

void TsProgram::Keep(std::string& table, const std::uint8_t* packet) {
    // Tables come again every fraction of a second, the same but for their counter.
    const std::string_view bytes(reinterpret_cast<const char*>(packet), kTsPacketSize);
    if (table.size() == kTsPacketSize && table.compare(0, 3, bytes.substr(0, 3)) == 0 &&
        table.compare(4, kTsPacketSize - 4, bytes.substr(4)) == 0)
        return;
    table.assign(bytes);
    tables_ = pat_ + pmt_;
    ++tablesVersion_;
}

bool TsProgram::StartsKeyFrame(const std::uint8_t* packet) const {
    if (!UnitStart(packet))
        return false;
    // Most muxers flag the packet that starts a random access point.
    if (HasAdaptation(packet) && (packet[5] & 0x40) != 0)
        return true;
    const std::optional<std::size_t> payload = TsPayloadOffset(packet);
    if (!payload || *payload + 9 > kTsPacketSize)
        return false;
    const std::uint8_t* pes = packet + *payload;
    if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
        return false;
    // Otherwise, what the picture's first bytes say, as far as this packet goes.
    for (std::size_t i = *payload + 9 + pes[8]; i + 3 < kTsPacketSize; ++i) {
        if (packet[i] == 0 && packet[i + 1] == 0 && packet[i + 2] == 1 &&
            IsKeyUnit(videoType_, packet[i + 3]))
            return true;
    }
    return false;
}

bool TsProgram::IsElementary(int pid) const {
    return std::find(elementaryPids_.begin(), elementaryPids_.end(), pid) != elementaryPids_.end();
}

bool TsTimeline::Follow(std::uint8_t* packet, const TsProgram& program) {
    if (packet[0] != kTsSyncByte)
        return false;
    const bool hasPcr = HasAdaptation(packet) && packet[4] >= 7 && (packet[5] & 0x10) != 0;
    if (hasPcr) {
        const std::int64_t pcr = ReadPcrBase(packet + 6);
        if (rejoining_) {
            offset_ = Wrapped(*lastPcr_ + kRejoinGap - pcr);
            rejoining_ = false;
        }
        if (offset_ != 0)
            WritePcrBase(packet + 6, Wrapped(pcr + offset_));
        lastPcr_ = Wrapped(pcr + offset_);
    } else if (rejoining_) {
        if (++waited_ < kRejoinPatience)
            return false;
        rejoining_ = false;
        offset_ = 0;
    }
    if (offset_ == 0 || !UnitStart(packet) || !program.IsElementary(TsPid(packet)))
        return true;
    const std::optional<std::size_t> payload = TsPayloadOffset(packet);
    if (!payload || *payload + 9 > kTsPacketSize)
        return true;
    std::uint8_t* pes = packet + *payload;
    if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || !PesHasTimes(pes[3]))
        return true;
    const int flags = pes[7] >> 6;
    if ((flags & 2) && *payload + 14 <= kTsPacketSize)
        WritePesTime(pes + 9, Wrapped(ReadPesTime(pes + 9) + offset_));
    if (flags == 3 && *payload + 19 <= kTsPacketSize)
        WritePesTime(pes + 14, Wrapped(ReadPesTime(pes + 14) + offset_));
    return true;
}

} // namespace kalore

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kalore {

// The box's stream is MPEG-TS: 188-byte packets, each starting with 0x47.
constexpr std::size_t kTsPacketSize = 188;
constexpr std::uint8_t kTsSyncByte = 0x47;

// What the relay needs to know of the box's programme, read from its tables as
// they pass: where a new reader can start (a key frame of the video) and which
// packets carry the programme's tables, so that a reader starting mid-stream
// gets them first. The box sends one programme per channel.
class TsProgram {
public:
    // Reads the tables a packet carries; true when the packet starts a key frame
    // of the video (a reader can begin there).
    bool Inspect(const std::uint8_t* packet);
    // The last PAT and PMT packets, to send a reader before anything else.
    const std::string& Tables() const { return tables_; }
    // Changes each time the tables say something new.
    int TablesVersion() const { return tablesVersion_; }
    // Whether `pid` carries one of the programme's elementary streams.
    bool IsElementary(int pid) const;
    // Whether a key frame was ever recognised: without one, readers start anywhere.
    bool KeyFramesSeen() const { return keyFramesSeen_; }

private:
    void ReadPat(const std::uint8_t* packet);
    void ReadPmt(const std::uint8_t* packet);
    void Keep(std::string& table, const std::uint8_t* packet);
    bool StartsKeyFrame(const std::uint8_t* packet) const;

    int pmtPid_ = -1;
    int videoPid_ = -1;
    int videoType_ = 0;
    std::vector<int> elementaryPids_;
    std::string pat_;
    std::string pmt_;
    std::string tables_;
    int tablesVersion_ = 0;
    bool keyFramesSeen_ = false;
};

// Where the payload of a TS packet starts, after its adaptation field; none when
// the packet carries no payload or its header is damaged.
std::optional<std::size_t> TsPayloadOffset(const std::uint8_t* packet);
int TsPid(const std::uint8_t* packet);

// Keeps the programme's clock continuous when the box's session is opened again
// after an outage: a new session starts its clock anywhere, and a recorder that
// saw the times jump could end early or cut its file. Times (PCR, PTS, DTS) are
// rewritten in place, packet by packet; nothing is split or muxed again.
class TsTimeline {
public:
    // The packets that follow come from a new session.
    void Rejoin() {
        rejoining_ = lastPcr_.has_value();
        waited_ = 0;
    }
    // Moves the packet's times to follow on from the last session's; false when
    // the packet must be dropped (the new session's clock isn't known yet).
    bool Follow(std::uint8_t* packet, const TsProgram& program);

private:
    std::optional<std::int64_t> lastPcr_;
    std::int64_t offset_ = 0;
    bool rejoining_ = false;
    int waited_ = 0;
};

} // namespace kalore

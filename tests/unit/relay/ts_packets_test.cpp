#include "relay/ts_packets.h"

#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "relay/rtp_payload.h"

namespace kalore {
namespace {

using Packet = std::array<std::uint8_t, kTsPacketSize>;

Packet Empty(int pid, bool unitStart, int counter = 0) {
    Packet packet;
    packet.fill(0xFF);
    packet[0] = kTsSyncByte;
    packet[1] = static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | (pid >> 8));
    packet[2] = static_cast<std::uint8_t>(pid);
    packet[3] = static_cast<std::uint8_t>(0x10 | counter);
    return packet;
}

Packet WithPayload(Packet packet, std::size_t at, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), packet.begin() + static_cast<std::ptrdiff_t>(at));
    return packet;
}

// PAT naming programme 1 at PID 0x100; PMT with H.264 on 0x101 and MPEG audio on 0x102.
Packet Pat(int counter = 0) {
    return WithPayload(Empty(0, true, counter), 4,
                       {0, 0x00, 0xB0, 13, 0, 1, 0xC1, 0, 0, 0, 1, 0xE1, 0x00, 1, 2, 3, 4});
}
Packet Pmt(int videoType = 0x1B) {
    return WithPayload(Empty(0x100, true), 4,
                       {0,    0x02, 0xB0, 23,   0,    1,    0xC1,
                        0,    0,    0xE1, 0x01, 0xF0, 0,    static_cast<std::uint8_t>(videoType),
                        0xE1, 0x01, 0xF0, 0,    0x03, 0xE1, 0x02,
                        0xF0, 0,    1,    2,    3,    4});
}

void PutPesTime(Packet& packet, std::size_t at, int prefix, std::int64_t time) {
    packet[at] = static_cast<std::uint8_t>((prefix << 4) | ((time >> 29) & 0x0E) | 1);
    packet[at + 1] = static_cast<std::uint8_t>(time >> 22);
    packet[at + 2] = static_cast<std::uint8_t>(((time >> 14) & 0xFE) | 1);
    packet[at + 3] = static_cast<std::uint8_t>(time >> 7);
    packet[at + 4] = static_cast<std::uint8_t>(((time << 1) & 0xFE) | 1);
}

std::int64_t PesTime(const Packet& p, std::size_t at) {
    return (std::int64_t{(p[at] >> 1) & 7} << 30) | (std::int64_t{p[at + 1]} << 22) |
           (std::int64_t{p[at + 2] >> 1} << 15) | (std::int64_t{p[at + 3]} << 7) | (p[at + 4] >> 1);
}

// A video packet starting a picture: an adaptation field (with a PCR when given),
// then a PES header with PTS and DTS, then `es`.
Packet Picture(std::vector<std::uint8_t> es, std::int64_t pcr = -1, std::int64_t pts = 90000,
               bool randomAccess = false) {
    Packet packet = Empty(0x101, true);
    packet[3] = 0x30;
    packet[4] = 7;
    packet[5] = static_cast<std::uint8_t>((randomAccess ? 0x40 : 0) | (pcr >= 0 ? 0x10 : 0));
    if (pcr >= 0) {
        packet[6] = static_cast<std::uint8_t>(pcr >> 25);
        packet[7] = static_cast<std::uint8_t>(pcr >> 17);
        packet[8] = static_cast<std::uint8_t>(pcr >> 9);
        packet[9] = static_cast<std::uint8_t>(pcr >> 1);
        packet[10] = static_cast<std::uint8_t>(((pcr & 1) << 7) | 0x7E);
    }
    const std::size_t pes = 12;
    const std::vector<std::uint8_t> head = {0, 0, 1, 0xE0, 0, 0, 0x80, 0xC0, 10};
    std::copy(head.begin(), head.end(), packet.begin() + pes);
    PutPesTime(packet, pes + 9, 3, pts);
    PutPesTime(packet, pes + 14, 1, pts - 3600);
    std::copy(es.begin(), es.end(), packet.begin() + pes + 19);
    return packet;
}

std::int64_t PcrOf(const Packet& p) {
    return (std::int64_t{p[6]} << 25) | (std::int64_t{p[7]} << 17) | (std::int64_t{p[8]} << 9) |
           (std::int64_t{p[9]} << 1) | (p[10] >> 7);
}

const std::vector<std::uint8_t> kIdr = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1, 0x67, 0x64};
const std::vector<std::uint8_t> kSlice = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1, 0x41, 0x9A};

TEST(TsProgramTest, KnowsTheTablesAndWhereAReaderCanStart) {
    TsProgram program;
    // Before the tables, no packet is known to be video.
    EXPECT_FALSE(program.Inspect(Picture(kIdr).data()));
    program.Inspect(Pat().data());
    program.Inspect(Pmt().data());
    EXPECT_EQ(program.Tables().size(), 2 * kTsPacketSize);
    const int version = program.TablesVersion();
    // The same tables sent again, only their counter changed: nothing new.
    program.Inspect(Pat(5).data());
    EXPECT_EQ(program.TablesVersion(), version);
    EXPECT_TRUE(program.IsElementary(0x102));
    EXPECT_FALSE(program.IsElementary(0x100));

    EXPECT_TRUE(program.Inspect(Picture(kIdr).data()));
    EXPECT_FALSE(program.Inspect(Picture(kSlice).data()));
    EXPECT_TRUE(program.Inspect(Picture(kSlice, -1, 0, true).data())) << "random access flag";
    Packet continuation = Picture(kIdr);
    continuation[1] &= ~0x40;
    EXPECT_FALSE(program.Inspect(continuation.data()));
    Packet audio = Picture(kIdr);
    audio[2] = 0x02;
    EXPECT_FALSE(program.Inspect(audio.data()));
    EXPECT_TRUE(program.KeyFramesSeen());

    // MPEG-2 video: a sequence header.
    TsProgram mpeg2;
    mpeg2.Inspect(Pat().data());
    mpeg2.Inspect(Pmt(0x02).data());
    EXPECT_TRUE(mpeg2.Inspect(Picture({0, 0, 1, 0xB3, 0x2D}).data()));
    EXPECT_FALSE(mpeg2.Inspect(Picture({0, 0, 1, 0x00, 0x2D}).data()));

    // Damaged tables change nothing and read nothing out of the packet.
    Packet damaged = Pmt();
    damaged[7] = 0xFF;
    mpeg2.Inspect(damaged.data());
    EXPECT_TRUE(mpeg2.IsElementary(0x101));
}

TEST(TsTimelineTest, ANewSessionCarriesOnFromTheLastTimes) {
    TsProgram program;
    program.Inspect(Pat().data());
    program.Inspect(Pmt().data());
    TsTimeline timeline;
    Packet first = Picture(kIdr, 1'000'000, 1'050'000);
    ASSERT_TRUE(timeline.Follow(first.data(), program));
    EXPECT_EQ(PcrOf(first), 1'000'000) << "the first session keeps its own times";

    timeline.Rejoin();
    // Until the new session's clock is known, its packets can't be placed.
    Packet early = Picture(kSlice, -1, 7'000);
    EXPECT_FALSE(timeline.Follow(early.data(), program));
    Packet clock = Picture(kIdr, 5'000, 45'000);
    ASSERT_TRUE(timeline.Follow(clock.data(), program));
    EXPECT_EQ(PcrOf(clock), 1'000'000 + 3'600);
    EXPECT_EQ(PesTime(clock, 12 + 9), 45'000 + 1'000'000 + 3'600 - 5'000);
    EXPECT_EQ(PesTime(clock, 12 + 14), 45'000 - 3'600 + 1'000'000 + 3'600 - 5'000);

    // Across the 33-bit wrap of the clock.
    TsTimeline wrapping;
    const std::int64_t wrap = std::int64_t{1} << 33;
    Packet last = Picture(kIdr, wrap - 1'000, wrap - 500);
    wrapping.Follow(last.data(), program);
    wrapping.Rejoin();
    Packet next = Picture(kIdr, 10, 20);
    wrapping.Follow(next.data(), program);
    EXPECT_EQ(PcrOf(next), 2'600);
}

TEST(RtpPayloadTest, FindsTheMpegTsPacketsInAnRtpPacket) {
    std::vector<std::uint8_t> rtp = {0x80, 33, 0, 1, 0, 0, 0, 0, 1, 2, 3, 4};
    rtp.insert(rtp.end(), 2 * kTsPacketSize, kTsSyncByte);
    ASSERT_TRUE(MpegTsOfRtp(rtp.data(), rtp.size()));
    EXPECT_EQ(MpegTsOfRtp(rtp.data(), rtp.size())->offset, 12u);
    EXPECT_EQ(MpegTsOfRtp(rtp.data(), rtp.size())->size, 2 * kTsPacketSize);

    // One contributing source, a header extension of one word, two bytes of padding.
    std::vector<std::uint8_t> full = {0xB1, 33, 0, 1, 0,    0,    0, 0, 1, 2, 3, 4,
                                      9,    9,  9, 9, 0xBE, 0xDE, 0, 1, 7, 7, 7, 7};
    full.insert(full.end(), kTsPacketSize, kTsSyncByte);
    full.insert(full.end(), {0, 2});
    const auto found = MpegTsOfRtp(full.data(), full.size());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->offset, 24u);
    EXPECT_EQ(found->size, kTsPacketSize);

    for (std::vector<std::uint8_t> bad :
         {std::vector<std::uint8_t>(rtp.begin(), rtp.end() - 1),
          std::vector<std::uint8_t>(rtp.begin(), rtp.begin() + 8)}) {
        EXPECT_FALSE(MpegTsOfRtp(bad.data(), bad.size()));
    }
    rtp[0] = 0x40;
    EXPECT_FALSE(MpegTsOfRtp(rtp.data(), rtp.size())) << "not RTP version 2";
    std::vector<std::uint8_t> hugePadding = {0xA0, 33, 0, 1, 0, 0, 0, 0, 1, 2, 3, 255};
    EXPECT_FALSE(MpegTsOfRtp(hugePadding.data(), hugePadding.size()));
}

} // namespace
} // namespace kalore

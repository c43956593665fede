// The frame-stamped test picture through the real encoder and decoder: every frame
// reads back as its own number, at the stream's size and scaled down, and a picture
// without a clean stamp reads as none.
#include "support/frame_stamp.h"

#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "platform/child_process.h"
#include "support/temp_folder.h"

namespace kalore::testing {
namespace {

constexpr int kFrames = 50;

void RunFfmpeg(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/ffmpeg", "-v", "error", "-y"});
    auto started = ChildProcess::Start(arguments);
    ASSERT_TRUE(started.child);
    EXPECT_EQ(started.child->WaitFor(60'000), ChildProcess::WaitResult::Exited);
    started.child->Close();
}

// The stamps of a stream's frames decoded at width x height, 4 bytes a pixel.
std::vector<int> Stamps(const std::string& stream, const std::string& folder, int width,
                        int height) {
    const std::string raw = folder + "frames.raw";
    RunFfmpeg({"-i", stream, "-vf", "scale=" + std::to_string(width) + ":" + std::to_string(height),
               "-f", "rawvideo", "-pix_fmt", "bgra", raw});
    std::ifstream file(raw, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), {}};
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 4;
    std::vector<int> stamps;
    for (std::size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes) {
        stamps.push_back(ReadFrameStamp(bytes.data() + at, width, height, width * 4));
    }
    return stamps;
}

TEST(FrameStamp, EveryFrameReadsBackAsItsNumberThroughTheEncoderAndAScaler) {
    const TempFolder temp("kalore-frame-stamp");
    const std::string stream = temp.Slashed() + "stamped.ts";
    // As the live test stream encodes it.
    RunFfmpeg({"-f", "lavfi", "-i", FrameStampedPicture(), "-frames:v", std::to_string(kFrames),
               "-c:v", "mpeg2video", "-b:v", "2M", "-g", "12", "-f", "mpegts", stream});
    std::vector<int> expected(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        expected[i] = i;
    }
    EXPECT_EQ(Stamps(stream, temp.Slashed(), 640, 480), expected);
    EXPECT_EQ(Stamps(stream, temp.Slashed(), 320, 240), expected);
}

TEST(FrameStamp, APictureWithoutACleanStampReadsAsNone) {
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    std::vector<unsigned char> picture(kWidth * kHeight * 4, 0);
    EXPECT_EQ(ReadFrameStamp(picture.data(), kWidth, kHeight, kWidth * 4), 0);
    // The last block white: bit 0.
    for (int row = 0; row < kHeight; ++row) {
        for (int x = kWidth - kWidth / 16; x < kWidth; ++x) {
            picture[(row * kWidth + x) * 4] = 255;
        }
    }
    EXPECT_EQ(ReadFrameStamp(picture.data(), kWidth, kHeight, kWidth * 4), 1);
    // Mid grey where a block should be: no number rather than a wrong one.
    std::fill(picture.begin(), picture.end(), 128);
    EXPECT_EQ(ReadFrameStamp(picture.data(), kWidth, kHeight, kWidth * 4), -1);
    // Too small to hold 16 blocks, no pixels, a pitch shorter than a row.
    EXPECT_EQ(ReadFrameStamp(picture.data(), 40, kHeight, 160), -1);
    EXPECT_EQ(ReadFrameStamp(nullptr, kWidth, kHeight, kWidth * 4), -1);
    EXPECT_EQ(ReadFrameStamp(picture.data(), kWidth, kHeight, kWidth), -1);
}

} // namespace
} // namespace kalore::testing

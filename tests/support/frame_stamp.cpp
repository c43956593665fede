#include "frame_stamp.h"

namespace kalore::testing {
namespace {

constexpr int kBits = 16;
// The band's height in the 640x480 picture, and where its blocks are sampled.
constexpr int kBandRows = 64;
constexpr int kPictureRows = 480;
// Each block is sampled on a small square at its centre, away from the edges that
// the encoder and the scaler blur.
constexpr int kSampleHalf = 2;
constexpr int kBlackBelow = 64;
constexpr int kWhiteAbove = 192;

// The mean of the first colour byte (all three are equal on a grey block) around
// (x, y).
int MeanAround(const unsigned char* pixels, int pitch, int x, int y) {
    int sum = 0;
    int count = 0;
    for (int row = y - kSampleHalf; row <= y + kSampleHalf; ++row) {
        for (int column = x - kSampleHalf; column <= x + kSampleHalf; ++column) {
            sum += pixels[static_cast<long>(row) * pitch + column * 4L];
            ++count;
        }
    }
    return sum / count;
}

} // namespace

std::string FrameStampedPicture() {
    // geq draws one pixel per bit, N being the frame number; the scaler makes blocks.
    const std::string rate = std::to_string(kStampedFramesPerSecond);
    return "testsrc2=size=640x480:rate=" + rate + "[picture];color=c=black:size=16x1:rate=" + rate +
           ",format=gray,"
           "geq=lum='255*mod(floor(N/pow(2\\,15-X))\\,2)',"
           "scale=640:64:flags=neighbor[stamp];"
           "[picture][stamp]overlay";
}

int ReadFrameStamp(const unsigned char* pixels, int width, int height, int pitch) {
    const int blockWidth = width / kBits;
    const int y = height * kBandRows / kPictureRows / 2;
    if (pixels == nullptr || blockWidth <= 2 * kSampleHalf || y <= kSampleHalf ||
        pitch < width * 4) {
        return -1;
    }
    int number = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const int mean = MeanAround(pixels, pitch, bit * blockWidth + blockWidth / 2, y);
        if (mean >= kBlackBelow && mean <= kWhiteAbove) {
            return -1;
        }
        number = number * 2 + (mean > kWhiteAbove ? 1 : 0);
    }
    return number;
}

} // namespace kalore::testing

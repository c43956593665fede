#include "recorder/output_block.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

using namespace std::string_literals;

TEST(FormatOutputBlock, CarriageReturnsBreakLinesAndLineFeedsAreDropped) {
    EXPECT_EQ(FormatOutputBlock("abc\r\ndef\r\n"), "|||abc\r\ndef|||");
    EXPECT_EQ(FormatOutputBlock("\r\n"), "||||||");
    EXPECT_EQ(FormatOutputBlock("a\nb"), "|||ab|||");
    EXPECT_EQ(FormatOutputBlock("  \t x y \x01"), "|||x y|||");
}

TEST(FormatOutputBlock, CopiesPastZeroBytesAndReplacesInvalidBytes) {
    EXPECT_EQ(FormatOutputBlock("avant\0après"s), "|||avant\0après|||"s);
    EXPECT_EQ(FormatOutputBlock("\0fin\0"s), "|||fin|||"); // trimmed like any control
    EXPECT_EQ(FormatOutputBlock("d\xC3\xA9j\xE0 vu"), "|||déj\xEF\xBF\xBD vu|||");
}

} // namespace
} // namespace kalore

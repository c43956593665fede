#include "channels/channel_numbers.h"

#include <gtest/gtest.h>

#include "channels/text_list.h"

namespace kalore {
namespace {

TextList Names(std::initializer_list<const char*> names) {
    TextList list;
    for (const char* name : names) {
        list.push_back(name);
    }
    return list;
}

TEST(ChannelNumbers, ABoxsNumbersAreTheOnesTheNamesBeginWith) {
    const TextList free = Names({"1 - TF1 (HD)", "2 - France 2 (HD)", "  13 - LCP", "24h Info",
                                 "999999 - Trop long", "4-Canal+"});
    EXPECT_EQ(IndexOfChannelNumber(free, 2), 1);
    EXPECT_EQ(IndexOfChannelNumber(free, 13), 2);
    EXPECT_EQ(IndexOfChannelNumber(free, 4), 5);
    // A name that merely begins with digits has no number; places don't count then.
    EXPECT_EQ(IndexOfChannelNumber(free, 24), -1);
    EXPECT_EQ(IndexOfChannelNumber(free, 3), -1);
    EXPECT_EQ(IndexOfChannelNumber(free, 999999), -1);
}

TEST(ChannelNumbers, AListWithoutNumbersCountsPlacesFromOne) {
    const TextList orange = Names({"TF1", "France 2", "France 3"});
    EXPECT_EQ(IndexOfChannelNumber(orange, 1), 0);
    EXPECT_EQ(IndexOfChannelNumber(orange, 3), 2);
    EXPECT_EQ(IndexOfChannelNumber(orange, 0), -1);
    EXPECT_EQ(IndexOfChannelNumber(orange, 4), -1);
    EXPECT_EQ(IndexOfChannelNumber(Names({}), 1), -1);
}

TEST(ChannelNumbers, StepsGoRoundTheList) {
    EXPECT_EQ(StepChannel(3, 0, 1), 1);
    EXPECT_EQ(StepChannel(3, 2, 1), 0);
    EXPECT_EQ(StepChannel(3, 0, -1), 2);
    EXPECT_EQ(StepChannel(3, -1, 1), 0);  // from a typed name: the first
    EXPECT_EQ(StepChannel(3, -1, -1), 2); // or the last
    EXPECT_EQ(StepChannel(3, 7, 1), 0);
    EXPECT_EQ(StepChannel(0, 0, 1), -1);
}

} // namespace
} // namespace kalore

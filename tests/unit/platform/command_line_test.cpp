#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, QuotedProgramKeepsBlanksAndBackslashes) {
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\VLC\vlc.exe" -I dummy)"),
              (Args{R"(C:\Program Files\VLC\vlc.exe)", "-I", "dummy"}));
    EXPECT_EQ(SplitCommandLine(R"(C:\a\"b c" d)"), (Args{R"(C:\a\b c)", "d"}));
}

TEST(SplitCommandLine, BackslashesBeforeQuotesFollowTheWindowsRules) {
    EXPECT_EQ(SplitCommandLine(R"(p a\\\"b)"), (Args{"p", R"(a\"b)"}));
    EXPECT_EQ(SplitCommandLine(R"(p "a\\" b)"), (Args{"p", R"(a\)", "b"}));
    EXPECT_EQ(SplitCommandLine(R"(p a\b\\c)"), (Args{"p", R"(a\b\\c)"}));
    EXPECT_EQ(SplitCommandLine(R"(p "a""b" c)"), (Args{"p", R"(a"b)", "c"}));
}

TEST(SplitCommandLine, QuotesJoinPiecesOfOneArgumentAndRunsOfBlanksSeparate) {
    EXPECT_EQ(SplitCommandLine("p   a\t b  "), (Args{"p", "a", "b"}));
    EXPECT_EQ(SplitCommandLine(R"(p #x{dst="/tmp/a b.avi"})"), (Args{"p", "#x{dst=/tmp/a b.avi}"}));
    EXPECT_EQ(SplitCommandLine(R"(p "")"), (Args{"p", ""}));
    EXPECT_TRUE(SplitCommandLine("").empty());
}

} // namespace
} // namespace kalore

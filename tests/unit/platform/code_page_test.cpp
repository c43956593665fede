#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

TEST(CodePage, RoundTripsFrenchTextThroughWindows1252) {
    const std::string utf8 = "Programmé, Terminé, chaînes, Très, € œ “x”";
    const std::string bytes = Utf8ToWin1252(utf8);
    EXPECT_EQ(bytes.substr(0, 9), std::string("Programm\xE9"));
    EXPECT_EQ(Win1252ToUtf8(bytes), utf8);
}

TEST(CodePage, MissingCharactersAndBrokenSequencesBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToWin1252("日本"), "??");
    EXPECT_EQ(Utf8ToWin1252("a\xC3"), "a?");    // cut-off sequence at the end
    EXPECT_EQ(Utf8ToWin1252("a\xE9z"), "a?z");  // a Latin-1 byte is not UTF-8
    EXPECT_EQ(Utf8ToWin1252("\xC0\xAF"), "??"); // overlong encoding
    EXPECT_EQ(Win1252ToUtf8("\x81"), "?");      // undefined byte of the code page
}

TEST(CodePage, SanitizeKeepsValidTextAndReplacesTheRest) {
    EXPECT_EQ(SanitizeUtf8("déjà"), "déjà");
    EXPECT_EQ(SanitizeUtf8("a\xFFz"), "a\xEF\xBF\xBDz");
}

} // namespace
} // namespace kalore

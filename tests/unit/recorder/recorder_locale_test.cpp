#include "recorder/recorder_locale.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

TEST(RecorderLocaleChanges, NumbersInCAndTheRestInTheUsersLocale) {
    using Changes = std::vector<std::string>;
    EXPECT_EQ(RecorderLocaleChanges(std::nullopt), Changes{"LC_NUMERIC=C"});
    EXPECT_EQ(RecorderLocaleChanges(std::string()), Changes{"LC_NUMERIC=C"});
    // LC_ALL would win over LC_NUMERIC: its value goes to LANG instead.
    EXPECT_EQ(RecorderLocaleChanges(std::string("fr_FR.UTF-8")),
              (Changes{"LC_ALL", "LANG=fr_FR.UTF-8", "LC_NUMERIC=C"}));
}

} // namespace
} // namespace kalore

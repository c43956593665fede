#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "guide/guide_time.h"

namespace kalore::testing {

// Paris time for the local conversions, whatever the machine's zone.
class ParisTime : public ::testing::Test {
protected:
    void SetUp() override {
        const char* zone = std::getenv("TZ");
        saved_ = zone != nullptr ? std::optional<std::string>(zone) : std::nullopt;
        setenv("TZ", "Europe/Paris", 1);
        tzset();
    }
    void TearDown() override {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

// An instant from its UTC date and time.
inline UtcSeconds UtcAt(int y, int mo, int d, int h, int mi, int s = 0) {
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

} // namespace kalore::testing

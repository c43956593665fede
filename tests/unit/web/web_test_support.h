#pragma once

// A fresh temporary folder per test, made the current working directory while the
// test runs (the address answer file lies there).

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "platform/atomic_file.h"
#include "support/temp_folder.h"
#include "web/request_options.h"

namespace kalore::testing {

class WebTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    std::string ReadFile(const std::filesystem::path& path) const {
        std::string content;
        EXPECT_TRUE(ReadWholeFile(path.string(), content)) << path;
        return content;
    }

    const TempFolder temp{"kalore-web"};
    const std::filesystem::path folder = temp.Path();
    std::filesystem::path previous;
    FakeHost host;
    int pumps = 0;
    WebEnvironment web{host, [this] { ++pumps; }, {}};
};

} // namespace kalore::testing

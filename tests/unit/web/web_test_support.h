#pragma once

// A fresh temporary folder per test, made the current working directory while the
// test runs (the address answer file lies there).

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/web/request_options.h"
#include "fakes/fakes.h"
#include "platform/atomic_file.h"

namespace kalore::testing {

class WebTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kalore-web-XXXXXX");
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    std::string ReadFile(const std::filesystem::path& path) const {
        std::string content;
        EXPECT_TRUE(ReadWholeFile(path.string(), content)) << path;
        return content;
    }

    std::filesystem::path folder;
    std::filesystem::path previous;
    FakeHost host;
    int pumps = 0;
    WebEnvironment web{host, [this] { ++pumps; }, {}};
};

} // namespace kalore::testing

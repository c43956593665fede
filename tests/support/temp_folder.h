#pragma once

#include <filesystem>
#include <string>

namespace kalore::testing {

// A new empty folder "<temp>/<prefix>-XXXXXX" for one test or benchmark, removed
// with all it holds when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // With the trailing '/' that program folders are given with.
    std::string Slashed() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

} // namespace kalore::testing

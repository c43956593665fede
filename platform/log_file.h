#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kalore {

// The folder of Kalore's log file: $XDG_STATE_HOME/kalore, else
// ~/.local/state/kalore; empty when no home is known.
std::string DefaultLogFolder();

// The log on disk, so that it can be read after the run, within a size: past
// `maxBytes` the file becomes kalore.log.1 (the older one goes) and a new one begins,
// so the two hold twice that at most. Its folder is made private; the file is a
// regular file of this user, never a link or a FIFO that someone left at its name.
class LogFile {
public:
    static constexpr std::uint64_t kMaxBytes = 2 * 1024 * 1024;

    explicit LogFile(std::string folder, std::uint64_t maxBytes = kMaxBytes);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Makes the folder and opens the file; empty when done, else why not, for the log.
    std::string Open();
    // Appends one line; false when it could not be written (a full disk).
    bool Append(std::string_view line);
    // folder/kalore.log
    const std::string& Path() const { return path_; }
    // The end of the older file and then of the current one, `maxBytes` at most and
    // from a line's start; empty when there is none.
    std::string ReadBack(std::size_t maxBytes) const;

private:
    bool NamesOurFile() const;
    void Rotate();
    void Reopen();

    std::string folder_;
    std::string path_;
    std::uint64_t maxBytes_;
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace kalore

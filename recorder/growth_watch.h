#pragma once

#include <cstdint>

namespace kalore {

// A stretch this long without the files growing is time not recorded; shorter
// ones are the muxer's own rhythm, which a look once a second can't tell apart.
inline constexpr std::int64_t kShortestGapSeconds = 3;
// vlc needs a few seconds to open a stream and write its first bytes.
inline constexpr std::int64_t kStartAllowanceSeconds = 5;

// Looks once a second at the total size of a recording's files and keeps what
// the recording's coverage is judged by.
class GrowthWatch {
public:
    // `initialBytes`: what the files held before the recorder touched them.
    explicit GrowthWatch(std::uint64_t initialBytes = 0) : bytes_(initialBytes) {}

    // The files' total size now; true when they were written since the last look.
    // A recorder truncates an existing file before writing it, so any change to a
    // size above zero is writing, not only growth.
    bool Look(std::uint64_t bytes);

    std::int64_t Looks() const { return looks_; }
    // Looks since the last growth, or since the first look.
    std::int64_t SilentSeconds() const { return silent_; }
    bool EverGrew() const { return grew_; }
    // Looks that found the files written.
    std::int64_t GrowingLooks() const { return growing_; }
    // What the recorder has written: nothing until the files were first written.
    std::uint64_t Bytes() const { return grew_ ? bytes_ : 0; }
    // The seconds of the recording with nothing written, `leadSeconds` of the slot
    // gone before the launch included: vlc's opening beyond its allowance, every
    // silent stretch of kShortestGapSeconds or more, the silence at the end.
    std::int64_t MissedSeconds(std::int64_t leadSeconds) const;
    // The same with vlc's opening counted whole: what the files don't hold.
    std::int64_t UnrecordedSeconds(std::int64_t leadSeconds) const;
    // The silence at the end, when it is long enough to count.
    std::int64_t TrailingSilence() const;

private:
    std::uint64_t bytes_ = 0;
    std::int64_t looks_ = 0;
    std::int64_t silent_ = 0;
    std::int64_t leading_ = 0;
    std::int64_t middleMissed_ = 0;
    std::int64_t growing_ = 0;
    bool grew_ = false;
};

} // namespace kalore

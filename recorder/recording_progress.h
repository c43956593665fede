#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kalore {

// Where a running recording stands, for the window; refreshed once a second.
struct RecordingProgress {
    std::string label; // the channel of a programmed recording, the file of record now
    bool programmed = false;
    std::int64_t elapsedSeconds = 0;
    std::uint64_t bytes = 0;                    // written so far, in all its files
    std::optional<std::int64_t> secondsLeft;    // until the slot's end
    std::optional<std::int64_t> retryInSeconds; // the stream was lost: next try
};

// "Enregistrement de « France 2 » : 00:12:34 écoulées, 45,2 Mo écrits, reste 00:47:26"
std::string ProgressLine(const RecordingProgress& progress);

} // namespace kalore

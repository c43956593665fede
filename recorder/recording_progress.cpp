#include "recorder/recording_progress.h"

#include <algorithm>
#include <cstdio>

namespace kalore {
namespace {

std::string Clock(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(0, seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// Megabytes with one decimal, written the French way.
std::string Megabytes(std::uint64_t bytes) {
    const std::uint64_t tenths = (bytes + 50'000) / 100'000;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " Mo";
}

} // namespace

std::string ProgressLine(const RecordingProgress& progress) {
    std::string line = progress.programmed ? "Enregistrement de « " : "Enregistrement immédiat « ";
    line += progress.label + " » : " + Clock(progress.elapsedSeconds) + " écoulées, " +
            Megabytes(progress.bytes) + " écrits";
    if (progress.secondsLeft) {
        line += ", reste " + Clock(*progress.secondsLeft);
    }
    if (progress.retryInSeconds) {
        line +=
            " — flux perdu, nouvel essai dans " + std::to_string(*progress.retryInSeconds) + " s";
    }
    return line;
}

} // namespace kalore

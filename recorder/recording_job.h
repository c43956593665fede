#pragma once

#include <string>

namespace kalore {

inline constexpr const char* kUnset = "-1";
inline constexpr const char* kRecorderModeRecording = "record tv";
inline constexpr const char* kFormatHighQuality = "Format Haute Qualité";
inline constexpr const char* kFormatH264 = "H264 (320x240) idéal pour minimiser le stockage";
// The broadcast as it comes, copied into MPEG-TS: no transcoding, the least CPU.
inline constexpr const char* kFormatCopy = "Qualité d'origine (copie du flux)";

// What one recorder records, all as text as the log and the command line show
// it; "-1" marks an unset field, and a Duration of "-1" an open-ended job.
struct RecordingJob {
    std::string Channel;
    std::string Url;
    std::string Position;
    std::string Duration;
    std::string Format;
    std::string OutputFile;

    bool IsTimed() const { return Duration != kUnset; }
    void Reset() { *this = {kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}; }
    bool operator==(const RecordingJob&) const = default;
};

} // namespace kalore

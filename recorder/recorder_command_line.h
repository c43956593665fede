#pragma once

#include <optional>
#include <string>

#include "recorder/recording_job.h"

namespace kalore {

// The recorder's command line for the job, as one text: the quoted player
// path, the address, the stop time of a timed job, the format's transcode
// chain and the quoted output file. Nothing when the format is neither name.
std::optional<std::string> BuildRecorderCommandLine(const std::string& playerPath,
                                                    const RecordingJob& job);

// Program folder + "/RECORDS/programme-<date>_<time>.avi", with "/" of the
// date and ":" of the time turned into "-".
std::string ScheduledOutputName(const std::string& programFolder, const std::string& startDate,
                                const std::string& startTime);

// The log line refusing a job whose address or paths could smuggle options
// into the recorder's command line; nothing when the job is safe to run.
std::optional<std::string> RefuseUnsafeJob(const std::string& playerPath, const RecordingJob& job);

} // namespace kalore

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recorder/recording_job.h"
#include "seams/clock.h"

namespace kalore {

// The recorder's arguments for the job, one element each, never split again: the
// player path, "-I dummy", the address, the stop time of a timed job, then
// "--play-and-exit" (so a lost or refused stream ends the child at once and can be
// retried) and the format's transcode chain writing to the quoted output file.
// Nothing when the format is none of the three names.
std::optional<std::vector<std::string>> RecorderArguments(const std::string& playerPath,
                                                          const RecordingJob& job);

// A value for vlc's option chains: between double quotes, with \ " and ' escaped
// by a backslash, so that , } { : = and blanks stay part of it.
std::string ChainQuoted(std::string_view value);

// Program folder + "/RECORDS/programme-<date>_<time>.avi", with "/" of the date and
// ":" of the time turned into "-"; ".ts" instead of ".avi" for the copy format,
// whose file holds the broadcast's own codecs. Nothing unless the date is exactly dd/mm/yyyy
// and the time hh:mm:ss, so that no other text from the schedule file reaches
// the file name.
std::optional<std::string> ScheduledOutputName(const std::string& programFolder,
                                               const std::string& startDate,
                                               const std::string& startTime,
                                               const std::string& format);

// The file that continues a recording after an outage: "name-2.avi", "name-3.avi"...
std::string ContinuationPath(const std::string& path, int number);

// True when record now's path names a folder (it ends with the separator, or is
// one): the file is then named after the channel and the time.
bool NamesAFolder(const std::string& path);
// Record now's file in `folder`: "<channel> - <yyyy-mm-dd> <hh>h<mm>.avi" (".ts" for
// the copy format), e.g. "France 2 - 2026-12-09 20h58.avi". Characters a file name
// can't hold (on this system or Windows) become "-"; without a channel name,
// "Enregistrement".
std::string RecordNowFileName(const std::string& folder, const std::string& channel,
                              const std::string& format, const LocalDateTime& now);

// Why a job can't be run safely (a log line naming the refused text), or nothing:
// an address vlc would read as an option, or an output path that vlc would not
// write as the file it names.
std::optional<std::string> RefuseUnsafeJob(const RecordingJob& job);

} // namespace kalore

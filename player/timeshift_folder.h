#pragma once

#include <string>

namespace kalore {

// Where libVLC keeps what a paused live channel goes on sending: a private folder of
// Kalore's own (see PrivateTemporaryFolder), empty when none can be had. Emptied at
// each start and stop of the live view: libVLC 3 unlinks its files as it makes them,
// but a crash during a pause, or another version, could leave some.
std::string TimeshiftFolder();
void EmptyTimeshiftFolder();

// How much a pause may keep: past it the picture plays on from where it was.
constexpr long long kTimeshiftCapBytes = 2LL * 1024 * 1024 * 1024;

} // namespace kalore

#pragma once

#include <string>

#include "platform/atomic_file.h"
#include "web/request_options.h"
#include "web/web_config.h"

namespace kalore {

// Fetches the set-top box's playlist into program folder + "B/listeTVFreeforKalore.txt".
// A failed transfer is shown to the user and keeps the last good list; an error is
// returned only when the list can't be created, which ends the guarded set-up.
FileResult DownloadFreePlaylist(const WebEnvironment& web, const WebConfig& config,
                                const std::string& programFolder);

} // namespace kalore

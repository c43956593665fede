#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>

#include "web/request_options.h"

namespace kalore {

// A guide may be large, but not without bound: a broken server can't fill the disk.
inline constexpr std::size_t kGuideCapBytes = std::size_t{4} * 1024 * 1024 * 1024;

// GET of a guide into `fileName` (created anew, removed again on failure), with the
// program's client and time-outs. `onBytes` hears the bytes received now and then;
// setting `stop` ends the transfer. Empty text on success, else why it failed.
std::string DownloadGuide(const std::string& url, const std::string& fileName,
                          const WebTimeouts& timeouts,
                          const std::function<void(std::size_t)>& onBytes,
                          const std::atomic<bool>& stop);

} // namespace kalore

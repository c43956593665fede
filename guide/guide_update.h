#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "guide/channel_matcher.h"
#include "guide/guide_import.h"
#include "web/request_options.h"

namespace kalore {

// One update of the guide, run off the main thread: the source's content, then a
// new store beside the one in use. It never touches the store in use; whoever runs
// it puts the new store in place.
struct GuideUpdateJob {
    std::string source;       // as the settings give it, kept in the store
    std::string localPath;    // the file to read; empty: download `source` first
    std::string downloadFile; // where a download goes, removed afterwards
    std::string storeFile;    // the new store, whole only when the result is ok
    WebTimeouts timeouts;
    UtcSeconds now = 0;
    std::shared_ptr<const ChannelMatcher> matcher;
};

// Progress: bytes downloaded while `downloading`, then programmes read.
using GuideUpdateProgress = std::function<void(bool downloading, std::uint64_t count)>;

GuideImportResult RunGuideUpdate(const GuideUpdateJob& job, const GuideUpdateProgress& progress,
                                 const std::atomic<bool>& stop);

} // namespace kalore

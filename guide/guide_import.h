#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "guide/channel_matcher.h"
#include "guide/guide_time.h"

namespace kalore {

struct GuideImportResult {
    std::string error{}; // empty when the store was built
    std::uint64_t programmesRead = 0;
    std::uint64_t programmesKept = 0;
    std::uint64_t badTimes = 0;
    std::string firstBadTime{};
    std::size_t channelsWithGuide = 0;
    std::vector<std::string> channelsWithout{}; // channel box names no guide channel fits
    bool ok() const { return error.empty(); }
};

// Streams an XMLTV file (plain or .gz) into a new store at `storePath`, keeping only
// the programmes of the guide channels that the matcher gives the channel box's
// channels. A programme without a stop ends where the next one of its channel
// starts. A guide that can't be read whole, or keeps no programme, is an error,
// and the store must then be thrown away. `onRead` hears the number of programmes
// read now and then.
GuideImportResult ImportGuide(const std::string& xmltvPath, const ChannelMatcher& matcher,
                              const std::string& source, UtcSeconds now,
                              const std::string& storePath,
                              const std::function<void(std::uint64_t)>& onRead,
                              const std::atomic<bool>& stop);

} // namespace kalore

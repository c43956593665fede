#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "guide/channel_matcher.h"

namespace kalore {

// The user's mapping file in the data folder, B/guide-chaines.txt.
std::string ChannelMappingFileName(const std::string& programFolder);

struct ChannelMappingRead {
    ChannelMapping mapping;
    std::vector<std::string> warnings; // one log line per line that was not understood
};

// UTF-8 lines "channel name = guide id" ("France 2 (bas débit) = France2.fr"); the
// last "=" splits, blanks around either side don't count, "#" starts a comment line,
// and "name =" with no id means no guide for that channel.
ChannelMappingRead ParseChannelMapping(std::string_view content);

// The file's mapping; no file is an empty mapping.
ChannelMappingRead ReadChannelMapping(const std::string& programFolder);

} // namespace kalore

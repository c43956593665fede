#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"

namespace kalore {

class Host;
struct ChannelList;

// The largest channel file read, the downloaded playlist included: some 100,000
// channels. A bigger file is refused with a message rather than freezing the start
// and filling memory.
inline constexpr std::size_t kChannelFileCapBytes = 16 * 1024 * 1024;

// Turns one line of a channel file into the text that goes into a list.
using ChannelLineRule = std::function<std::string(std::string_view)>;

// Appends the channel pairs of a file's content to the lists: a description line
// gives the name, the next line the address. Empty lines and player-option lines
// ("#EXTVLCOPT...") are not lines of a pair, so names and addresses can't fall out
// of step; a description line left without an address adds nothing. The first pair
// read sets both boxes' texts and selects item 0.
void ReadChannelPairs(std::string_view content, ChannelList& list, const ChannelLineRule& rule);

// The two relative paths, with the native separator.
std::string OrangeChannelFilePath(const std::string& programFolder);
std::string FreeChannelFilePath(const std::string& programFolder);

// Reads the Orange list (Windows-1252) into the lists; a file that can't be read, or
// is over the cap, is reported to the user through the host. False when it was not read.
bool LoadOrangeChannelList(const std::string& programFolder, ChannelList& list, Host& host,
                           const std::string& makerAddress);

// Reads the Free list (the set-top box playlist, UTF-8, first line skipped).
bool LoadFreeChannelList(const std::string& programFolder, ChannelList& list, Host& host,
                         const std::string& makerAddress);

// Developer control "Charger liste": re-reads the Orange file and appends every
// line of a pair whole. A missing file is an error for the caller to report.
FileResult AppendOrangeChannelLinesWhole(const std::string& programFolder, ChannelList& list);

// Developer control "afficher l'index": the four log lines about the selection.
std::vector<std::string> SelectedIndexLogLines(const ChannelList& list);

} // namespace kalore

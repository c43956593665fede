#include "guide/playlist_hints.h"

#include <unordered_map>
#include <utility>

#include "channels/text_after_comma.h"
#include "channels/text_lines.h"

namespace kalore {
namespace {

// The value of `attribute="..."` in an entry line; empty when absent.
std::string AttributeValue(std::string_view line, std::string_view attribute) {
    std::size_t pos = 0;
    while ((pos = line.find(attribute, pos)) != std::string_view::npos) {
        const std::size_t open = pos + attribute.size();
        const bool standsAlone = pos == 0 || line[pos - 1] == ' ' || line[pos - 1] == ':';
        if (standsAlone && line.substr(open, 2) == "=\"") {
            const std::size_t close = line.find('"', open + 2);
            return close == std::string_view::npos
                       ? std::string()
                       : std::string(line.substr(open + 2, close - open - 2));
        }
        pos = open;
    }
    return {};
}

} // namespace

std::vector<KaloreChannel> KaloreChannelsOf(const std::vector<std::string>& names,
                                            std::string_view playlist) {
    std::unordered_map<std::string, std::pair<std::string, std::string>> hints;
    TextLines lines(playlist);
    std::string scratch;
    while (!lines.AtEnd()) {
        const std::string_view line = lines.ReadLine(scratch);
        if (!line.starts_with("#EXTINF")) {
            continue;
        }
        hints.emplace(Utf8TextAfterComma(line),
                      std::pair(AttributeValue(line, "tvg-id"), AttributeValue(line, "tvg-name")));
    }
    std::vector<KaloreChannel> channels;
    channels.reserve(names.size());
    for (const std::string& name : names) {
        KaloreChannel channel{name, {}, {}};
        if (const auto found = hints.find(name); found != hints.end()) {
            channel.tvgId = found->second.first;
            channel.tvgName = found->second.second;
        }
        channels.push_back(std::move(channel));
    }
    return channels;
}

} // namespace kalore

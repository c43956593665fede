#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kalore {

// A channel of the channel box, with what its playlist says of its guide channel.
struct KaloreChannel {
    std::string name;
    std::string tvgId;   // playlist attribute tvg-id, empty when absent
    std::string tvgName; // playlist attribute tvg-name
};

// A channel as the guide declares it.
struct GuideChannel {
    std::string id;
    std::vector<std::string> displayNames;
    std::string iconSrc{}; // the address of its logo, empty when it gives none
};

// The user's overrides: channel key (see ChannelKey) -> guide id; an empty id
// means "this channel has no guide".
using ChannelMapping = std::map<std::string, std::string>;

// Finds the guide channel of each Kalore channel. Tried in this order, the first
// that fits wins: the mapping; the playlist's tvg-id as a guide id (case ignored);
// its tvg-name as a display-name; the name as a display-name, then as one side of a
// display-name such as "LCP/Public Senat"; then as a guide id without its domain
// ("France2.fr"). Names are compared by ChannelKey. Where two guide channels fit
// alike, the first declared wins.
class ChannelMatcher {
public:
    ChannelMatcher(std::vector<KaloreChannel> kalore, const ChannelMapping& mapping);

    const std::vector<KaloreChannel>& Kalore() const { return kalore_; }
    // The guide id of each Kalore channel, in the same order; nothing where none fits.
    std::vector<std::optional<std::string>> Match(const std::vector<GuideChannel>& guide) const;

private:
    struct Keys {
        std::string name;
        std::string tvgId;
        std::string tvgName;
        std::optional<std::string> mapped; // set, possibly empty, when the mapping names it
    };

    std::vector<KaloreChannel> kalore_;
    std::vector<Keys> keys_;
};

} // namespace kalore

#include "guide/channel_matcher.h"

#include <algorithm>
#include <unordered_map>

#include "guide/channel_names.h"
#include "guide/text_fold.h"

namespace kalore {
namespace {

// Key -> guide id, the first declared winning; empty keys never match.
class KeyIndex {
public:
    void Add(const std::string& key, const std::string& id) {
        if (!key.empty()) {
            ids_.emplace(key, id);
        }
    }
    const std::string* Find(const std::string& key) const {
        const auto found = key.empty() ? ids_.end() : ids_.find(key);
        return found == ids_.end() ? nullptr : &found->second;
    }

private:
    std::unordered_map<std::string, std::string> ids_;
};

struct GuideIndexes {
    KeyIndex ids;     // folded id
    KeyIndex names;   // ChannelKey of each display-name
    KeyIndex sides;   // ChannelKey of each "/"-separated side of a display-name
    KeyIndex idStems; // ChannelKey of each id without its domain
};

GuideIndexes IndexGuide(const std::vector<GuideChannel>& guide) {
    GuideIndexes index;
    for (const GuideChannel& channel : guide) {
        index.ids.Add(FoldText(channel.id), channel.id);
        for (const std::string& name : channel.displayNames) {
            index.names.Add(ChannelKey(name), channel.id);
            if (name.find('/') == std::string::npos) {
                continue;
            }
            std::size_t start = 0;
            while (start <= name.size()) {
                const std::size_t slash = std::min(name.find('/', start), name.size());
                index.sides.Add(ChannelKey(std::string_view(name).substr(start, slash - start)),
                                channel.id);
                start = slash + 1;
            }
        }
        index.idStems.Add(ChannelKey(IdStem(channel.id)), channel.id);
    }
    return index;
}

} // namespace

ChannelMatcher::ChannelMatcher(std::vector<KaloreChannel> kalore, const ChannelMapping& mapping)
    : kalore_(std::move(kalore)) {
    keys_.reserve(kalore_.size());
    for (const KaloreChannel& channel : kalore_) {
        Keys keys{ChannelKey(channel.name), FoldText(channel.tvgId), ChannelKey(channel.tvgName),
                  std::nullopt};
        if (const auto mapped = mapping.find(keys.name);
            !keys.name.empty() && mapped != mapping.end()) {
            keys.mapped = mapped->second;
        }
        keys_.push_back(std::move(keys));
    }
}

std::vector<std::optional<std::string>>
ChannelMatcher::Match(const std::vector<GuideChannel>& guide) const {
    const GuideIndexes index = IndexGuide(guide);
    std::vector<std::optional<std::string>> matches;
    matches.reserve(keys_.size());
    for (const Keys& keys : keys_) {
        if (keys.mapped) {
            matches.push_back(keys.mapped->empty() ? std::nullopt : keys.mapped);
            continue;
        }
        const std::string* found = index.ids.Find(keys.tvgId);
        if (found == nullptr) {
            found = index.names.Find(keys.tvgName);
        }
        for (const KeyIndex* byName : {&index.names, &index.sides, &index.idStems}) {
            if (found == nullptr) {
                found = byName->Find(keys.name);
            }
        }
        matches.push_back(found != nullptr ? std::optional(*found) : std::nullopt);
    }
    return matches;
}

} // namespace kalore

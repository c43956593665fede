#include "channels/channel_list.h"

namespace kalore {

void ChannelList::AddChannel(std::string_view name, std::string_view address) {
    names.push_back(name);
    addresses.push_back(address);
}

namespace {

std::string AtIndex(const TextList& list, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        return {};
    }
    return std::string(list[static_cast<std::size_t>(index)]);
}

// The first channel whose text in `list` is `text`; -1 when none is.
int FirstWith(const TextList& list, std::size_t channels, std::string_view text) {
    for (std::size_t i = 0; i < channels && i < list.size(); ++i) {
        if (list[i] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

std::string ChannelList::SelectedAddress() const {
    return AtIndex(addresses, selectedIndex);
}

std::string ChannelList::SelectedName() const {
    return AtIndex(names, selectedIndex);
}

bool ChannelList::SelectByName(std::string_view name) {
    const int found = name.empty() ? -1 : FirstWith(names, addresses.size(), name);
    if (found < 0) {
        return false;
    }
    selectedIndex = found;
    nameText = std::string(name);
    addressText = AtIndex(addresses, found);
    return true;
}

std::string ChannelList::NameOf(std::string_view address) const {
    const int found = FirstWith(addresses, names.size(), address);
    return found < 0 ? std::string(address) : AtIndex(names, found);
}

} // namespace kalore

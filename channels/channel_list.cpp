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

} // namespace

std::string ChannelList::SelectedAddress() const {
    return AtIndex(addresses, selectedIndex);
}

std::string ChannelList::SelectedName() const {
    return AtIndex(names, selectedIndex);
}

bool ChannelList::SelectByName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (std::size_t i = 0; i < names.size() && i < addresses.size(); ++i) {
        if (names[i] == name) {
            selectedIndex = static_cast<int>(i);
            nameText = std::string(name);
            addressText = std::string(addresses[i]);
            return true;
        }
    }
    return false;
}

std::string ChannelList::NameOf(std::string_view address) const {
    for (std::size_t i = 0; i < addresses.size() && i < names.size(); ++i) {
        if (addresses[i] == address) {
            return std::string(names[i]);
        }
    }
    return std::string(address);
}

} // namespace kalore

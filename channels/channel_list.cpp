#include "channels/channel_list.h"

namespace kalore {

void ChannelList::AddChannel(std::string_view name, std::string_view address) {
    names.push_back(name);
    addresses.push_back(address);
}

std::string ChannelList::SelectedAddress() const {
    if (selectedIndex < 0 || static_cast<std::size_t>(selectedIndex) >= addresses.size()) {
        return {};
    }
    return std::string(addresses[static_cast<std::size_t>(selectedIndex)]);
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

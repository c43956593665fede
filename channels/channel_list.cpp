#include "channels/channel_list.h"

#include <utility>

namespace kalore {

void ChannelList::AddChannel(std::string name, std::string address) {
    names.push_back(std::move(name));
    addresses.push_back(std::move(address));
}

std::string ChannelList::SelectedAddress() const {
    if (selectedIndex < 0 || static_cast<std::size_t>(selectedIndex) >= addresses.size()) {
        return {};
    }
    return addresses[static_cast<std::size_t>(selectedIndex)];
}

} // namespace kalore

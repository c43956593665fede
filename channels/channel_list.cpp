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

} // namespace kalore

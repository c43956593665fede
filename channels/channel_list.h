#pragma once

#include <string>
#include <string_view>

#include "channels/text_list.h"

namespace kalore {

// The two parallel lists behind the channel box: the names it shows and the stream
// addresses of a hidden box beside it, with both boxes' texts and the channel box's
// selection. The window shows this state; it keeps no copy.
struct ChannelList {
    TextList names;
    TextList addresses;
    std::string nameText;    // what the channel box shows
    std::string addressText; // the hidden address box's text
    int selectedIndex = -1;  // -1 once the user typed into the box

    // Appends one channel; a name never goes in without its address.
    void AddChannel(std::string_view name, std::string_view address);
    // The address at the selected index; empty for -1 or any index naming no item.
    std::string SelectedAddress() const;
    // The name of the first channel at `address`; the address itself when none is.
    std::string NameOf(std::string_view address) const;
    // The name at the selected index; empty as the address is.
    std::string SelectedName() const;
    // Selects the first channel of that name, as a click in the box does; false, and
    // the selection left as it is, when the list has none (an empty name included).
    bool SelectByName(std::string_view name);
};

} // namespace kalore

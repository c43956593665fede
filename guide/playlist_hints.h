#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "guide/channel_matcher.h"

namespace kalore {

// The channel box's names, each with the tvg-id and tvg-name its playlist entry
// carries ('#EXTINF:-1 tvg-id="France2.fr" tvg-name="France 2",France 2'). The
// entry of a name is found by the channel list's own rule (the text after the
// first comma), so the two always agree. `playlist` is the channel file as UTF-8.
std::vector<KaloreChannel> KaloreChannelsOf(const std::vector<std::string>& names,
                                            std::string_view playlist);

} // namespace kalore

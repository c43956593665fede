#pragma once

#include <string>
#include <string_view>

namespace kalore {

// The key under which a channel name is compared with a guide's display-names:
// case, accents, blanks and punctuation don't count, "+" reads as "plus", and a
// set-top box's leading channel number ("2 - ") and quality marks ("HD", "(bas
// débit)") are left out. "2 - France 2 (HD)", "FRANCE 2" and "France2" all give
// "france2".
std::string ChannelKey(std::string_view name);

// A guide id without what follows its first dot: "France2.fr" gives "France2".
std::string_view IdStem(std::string_view id);

} // namespace kalore

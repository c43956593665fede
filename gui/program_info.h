#pragma once

#include <string>

namespace kalore {

// The program's own version, compared with the one the maker's site publishes.
inline constexpr int kProgramVersion = 11;

// The main window's caption: the name, the version as "v 1.1", and the maker's address.
std::string MainCaption(const std::string& makerAddress);

// Where the player is installed when the system's package put it in its usual place.
std::string DefaultPlayerLocation();

} // namespace kalore

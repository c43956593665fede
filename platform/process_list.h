#pragma once

#include <string>

namespace kalore {

// Ends the running children of this program whose executable is named `name`
// (the file name or the whole path, without regard to case). Other processes
// of the user, such as player windows opened outside the program, are left
// alone. Returns the success of the last termination attempted; false when no
// process matched.
bool KillProcessesByName(const std::string& name);

} // namespace kalore

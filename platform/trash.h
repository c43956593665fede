#pragma once

#include <string>

namespace kalore {

// Moves a file to the desktop's trash, the freedesktop one of the file's own
// mount: $XDG_DATA_HOME/Trash (made with mode 0700 when missing) for the home's,
// the mount's .Trash/UID or .Trash-UID for another one; with what a file manager
// needs to put it back. Never copied, never anywhere else: empty when done,
// otherwise why the file stays where it is.
std::string MoveToTrash(const std::string& path);

} // namespace kalore

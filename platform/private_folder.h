#pragma once

#include <string>

namespace kalore {

// A folder for this user's temporary files alone: `name` in $XDG_RUNTIME_DIR when
// the session gives one, else "<name>-<uid>" in the temporary folder, made with mode
// 0700 when missing. Empty when what is there is a link, another user's, or open
// to others: someone else may have put it there first.
std::string PrivateTemporaryFolder(const std::string& name);

} // namespace kalore

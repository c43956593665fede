#pragma once

#include <string>

namespace kalore {

// A base folder of the user's: what `variable` names (XDG_CONFIG_HOME…), else `inHome`
// in the home folder. A value that isn't an absolute path counts as none, as the XDG
// base directory rules say, so nothing is ever made in the current folder. Empty
// when no home is known.
std::string UserBaseFolder(const char* variable, const char* inHome);

// A folder of this user's, no link, closed to others.
bool IsPrivateFolder(const std::string& folder);

// $XDG_RUNTIME_DIR when it is a private folder; empty otherwise.
std::string UserRuntimeFolder();

// The temporary folder every user shares: $TMPDIR, else /tmp.
std::string SharedTemporaryFolder();

} // namespace kalore

#pragma once

#include <string>

namespace kalore {

// The full path of the running executable, and its folder, always ending in the
// path separator.
std::string ExecutablePath();
std::string ExecutableFolder();

// The native path separator, and a relative part such as "B\\kalore.ini" written with it.
char PathSeparator();
std::string NativeRelative(const std::string& relativeWithBackslashes);

} // namespace kalore

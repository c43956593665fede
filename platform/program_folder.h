#pragma once

#include <string>

namespace kalore {

// The folder of the running executable, always ending in the path separator.
std::string ExecutableFolder();

// The native path separator, and a relative part such as "B\\kalore.ini" written with it.
char PathSeparator();
std::string NativeRelative(const std::string& relativeWithBackslashes);

} // namespace kalore

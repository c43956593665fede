#include "platform/program_folder.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace kalore {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return "./kalore";
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    return path.substr(0, path.rfind('/') + 1);
}

char PathSeparator() {
    return '/';
}

std::string NativeRelative(const std::string& relativeWithBackslashes) {
    std::string native = relativeWithBackslashes;
    std::replace(native.begin(), native.end(), '\\', PathSeparator());
    return native;
}

} // namespace kalore

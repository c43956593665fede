#include "platform/file_space.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace kalore {

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> FreeSpaceFor(const std::string& path) {
    const std::string where = IsFolder(path) ? path : FolderOf(path);
    struct statvfs info {};
    if (statvfs(where.empty() ? "." : where.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace kalore

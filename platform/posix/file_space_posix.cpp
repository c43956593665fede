#include "platform/file_space.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kalore {

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

namespace {

std::string FolderHolding(const std::string& path) {
    const std::string where = IsFolder(path) ? path : FolderOf(path);
    return where.empty() ? "." : where;
}

} // namespace

std::optional<std::uint64_t> FreeSpaceFor(const std::string& path) {
    struct statvfs info {};
    if (statvfs(FolderHolding(path).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

bool FolderAcceptsWrites(const std::string& path) {
    const std::string where = FolderHolding(path);
    struct statvfs info {};
    if (statvfs(where.c_str(), &info) != 0) {
        return true;
    }
    return (info.f_flag & ST_RDONLY) == 0 && access(where.c_str(), W_OK) == 0;
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

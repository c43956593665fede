#include "platform/own_files.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalore {
namespace {

// A trailing slash would make the open follow a link in the last part.
int OpenFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return ::open(folder.empty() ? "." : folder.c_str(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool MakeFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const auto slash = path.find_last_of('/');
    return errno == ENOENT && slash != std::string::npos && slash != 0 &&
           MakeFolder(path.substr(0, slash)) &&
           (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST);
}

} // namespace

int OpenFileToRead(const std::string& path, std::string& error) {
    // O_NONBLOCK: opening a FIFO with no writer, or some devices, waits otherwise.
    // Reads of a regular file ignore it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "ce n'est pas un fichier ordinaire";
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseFile(int fd) {
    ::close(fd);
}

bool IsOwnFolder(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

bool MakeOwnFolder(const std::string& folder) {
    return MakeFolder(folder) && IsOwnFolder(folder);
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    const int fd = OpenFolder(folder);
    if (fd < 0) {
        return names;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    return names;
}

bool RemoveFileIn(const std::string& folder, const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        return false;
    }
    const int fd = OpenFolder(folder);
    if (fd < 0) {
        return false;
    }
    const bool removed = ::unlinkat(fd, name.c_str(), 0) == 0;
    ::close(fd);
    return removed;
}

} // namespace kalore

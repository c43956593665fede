#include "platform/trash.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/own_files.h"
#include "platform/user_folders.h"

namespace kalore {
namespace {

// $XDG_DATA_HOME/Trash, never one in the current folder.
std::string HomeTrash() {
    const std::string data = UserBaseFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? data : data + "/Trash";
}

// The device of `path`, or of its nearest folder that exists.
dev_t DeviceOf(std::string path) {
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        const auto slash = path.find_last_of('/');
        if (slash == std::string::npos || path == "/") {
            return static_cast<dev_t>(-1);
        }
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
    return st.st_dev;
}

// The top folder of the mount that holds `folder` (a full path, no links).
std::string TopOf(std::string folder) {
    const dev_t device = DeviceOf(folder);
    while (folder != "/") {
        const auto slash = folder.find_last_of('/');
        const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
        if (DeviceOf(parent) != device) {
            break;
        }
        folder = parent;
    }
    return folder;
}

// Where a file of this mount goes: the home's trash when it is on the same mount
// (and nowhere else), else the mount's own, "$top/.Trash/$uid" when an
// administrator made ".Trash" (sticky, no link), else "$top/.Trash-$uid". Empty when
// there is none to use; `top` is set for a mount's trash, whose paths are written
// relative to it.
std::string TrashFor(const std::string& folder, dev_t device, std::string& top) {
    const std::string home = HomeTrash();
    if (!home.empty() && DeviceOf(home) == device) {
        return MakeOwnFolder(home) && DeviceOf(home) == device ? home : std::string();
    }
    top = TopOf(folder);
    const std::string base = top == "/" ? "" : top;
    const std::string uid = std::to_string(::geteuid());
    struct stat shared {};
    if (::lstat((base + "/.Trash").c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0 && MakeOwnFolder(base + "/.Trash/" + uid)) {
        return base + "/.Trash/" + uid;
    }
    const std::string own = base + "/.Trash-" + uid;
    return MakeOwnFolder(own) && DeviceOf(own) == device ? own : std::string();
}

std::string Escaped(const std::string& path) {
    std::string escaped;
    for (const unsigned char c : path) {
        if (std::isalnum(c) != 0 || std::strchr("/-._~", c) != nullptr) {
            escaped.push_back(static_cast<char>(c));
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            escaped += hex;
        }
    }
    return escaped;
}

std::string InfoText(const std::string& shownPath) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + Escaped(shownPath) + "\nDeletionDate=" + date + "\n";
}

// "name.avi", then "name.2.avi", "name.3.avi"...
std::string Candidate(const std::string& name, int number) {
    if (number == 1) {
        return name;
    }
    const auto dot = name.find_last_of('.');
    const std::size_t end = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, end) + "." + std::to_string(number) + name.substr(end);
}

bool WriteInfo(const std::string& infoPath, const std::string& text) {
    const int fd =
        ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written =
        ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written) {
        ::unlink(infoPath.c_str());
        errno = EIO;
        return false;
    }
    return true;
}

} // namespace

std::string MoveToTrash(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char resolved[PATH_MAX];
    struct stat st {};
    if (name.empty() || ::lstat(path.c_str(), &st) != 0 ||
        ::realpath(slash == std::string::npos ? "."
                   : slash == 0               ? "/"
                                              : path.substr(0, slash).c_str(),
                   resolved) == nullptr) {
        return std::strerror(errno);
    }
    const std::string folder = resolved;
    const std::string full = (folder == "/" ? "" : folder) + "/" + name;
    std::string top;
    const std::string trash = TrashFor(folder, st.st_dev, top);
    if (trash.empty() || !MakeOwnFolder(trash + "/files") || !MakeOwnFolder(trash + "/info")) {
        return "aucune corbeille utilisable sur ce disque";
    }
    const std::string shown = top.empty() ? full : full.substr(top == "/" ? 1 : top.size() + 1);
    const std::string info = InfoText(shown);
    for (int number = 1; number < 10000; ++number) {
        const std::string candidate = Candidate(name, number);
        const std::string infoPath = trash + "/info/" + candidate + ".trashinfo";
        // The info file, made exclusively, reserves the name.
        if (!WriteInfo(infoPath, info)) {
            if (errno == EEXIST) {
                continue;
            }
            return std::strerror(errno);
        }
        const std::string target = trash + "/files/" + candidate;
        struct stat taken {};
        if (::lstat(target.c_str(), &taken) == 0) {
            ::unlink(infoPath.c_str());
            continue;
        }
        if (::rename(full.c_str(), target.c_str()) != 0) {
            const int failed = errno;
            ::unlink(infoPath.c_str());
            return std::strerror(failed);
        }
        return {};
    }
    return "trop de fichiers de ce nom dans la corbeille";
}

} // namespace kalore

#include "platform/log_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/own_files.h"
#include "platform/user_folders.h"

namespace kalore {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Opened without following a link or waiting on a FIFO, then checked: only a regular
// file of this user is Kalore's log.
int OpenOwnFile(const std::string& path, int flags, std::string& error) {
    const int descriptor = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        error = path + " : " + Reason(errno);
        return -1;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        close(descriptor);
        error = path + " n'est pas un fichier ordinaire à vous";
        return -1;
    }
    return descriptor;
}

// The last `maxBytes` of a file, or nothing.
std::string Tail(const std::string& path, std::size_t maxBytes) {
    std::string error;
    const int descriptor = OpenOwnFile(path, O_RDONLY, error);
    if (descriptor < 0) {
        return {};
    }
    struct stat info {};
    fstat(descriptor, &info);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t from = size > maxBytes ? size - maxBytes : 0;
    std::string text(static_cast<std::size_t>(size - from), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n =
            pread(descriptor, text.data() + got, text.size() - got, static_cast<off_t>(from + got));
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    close(descriptor);
    text.resize(got);
    return text;
}

} // namespace

std::string DefaultLogFolder() {
    const std::string state = UserBaseFolder("XDG_STATE_HOME", ".local/state");
    return state.empty() ? state : state + "/kalore";
}

LogFile::LogFile(std::string folder, std::uint64_t maxBytes)
    : folder_(std::move(folder)), path_(folder_ + "/kalore.log"), maxBytes_(maxBytes) {}

LogFile::~LogFile() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

std::string LogFile::Open() {
    if (folder_.empty()) {
        return "aucun dossier pour le journal (ni XDG_STATE_HOME ni HOME)";
    }
    if (!MakeOwnFolder(folder_)) {
        return folder_ + " n'est pas un dossier à vous, ni ne peut le devenir";
    }
    // The lines name the user's files and channels: no one else reads them.
    struct stat info {};
    if (lstat(folder_.c_str(), &info) == 0 && (info.st_mode & 077) != 0) {
        chmod(folder_.c_str(), 0700);
    }
    std::string error;
    descriptor_ = OpenOwnFile(path_, O_WRONLY | O_APPEND | O_CREAT, error);
    if (descriptor_ < 0) {
        return error;
    }
    fstat(descriptor_, &info);
    size_ = static_cast<std::uint64_t>(info.st_size);
    return {};
}

bool LogFile::Append(std::string_view line) {
    if (descriptor_ < 0) {
        return false;
    }
    // Another Kalore of this user turned the file over: its lines go on in the new one.
    if (!NamesOurFile()) {
        Reopen();
        if (descriptor_ < 0) {
            return false;
        }
    }
    if (size_ > 0 && size_ + line.size() + 1 > maxBytes_) {
        Rotate();
        if (descriptor_ < 0) {
            return false;
        }
    }
    std::string text(line);
    text += '\n';
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(descriptor_, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    size_ += written;
    return true;
}

bool LogFile::NamesOurFile() const {
    struct stat mine {};
    struct stat named {};
    return fstat(descriptor_, &mine) == 0 && lstat(path_.c_str(), &named) == 0 &&
           mine.st_ino == named.st_ino && mine.st_dev == named.st_dev;
}

void LogFile::Rotate() {
    rename(path_.c_str(), (path_ + ".1").c_str());
    Reopen();
}

void LogFile::Reopen() {
    close(descriptor_);
    std::string error;
    descriptor_ = OpenOwnFile(path_, O_WRONLY | O_APPEND | O_CREAT, error);
    struct stat info {};
    size_ = descriptor_ >= 0 && fstat(descriptor_, &info) == 0
                ? static_cast<std::uint64_t>(info.st_size)
                : 0;
}

std::string LogFile::ReadBack(std::size_t maxBytes) const {
    std::string current = Tail(path_, maxBytes);
    std::string text =
        current.size() < maxBytes ? Tail(path_ + ".1", maxBytes - current.size()) : std::string();
    const bool cut = text.size() + current.size() >= maxBytes;
    text += current;
    // A tail that begins inside a line starts at the next one.
    if (cut) {
        const std::size_t lineStart = text.find('\n');
        text.erase(0, lineStart == std::string::npos ? text.size() : lineStart + 1);
    }
    return text;
}

} // namespace kalore

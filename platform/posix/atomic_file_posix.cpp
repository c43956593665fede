#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/memory.h"
#include "platform/own_files.h"

namespace kalore {
namespace {

AtomicWriteStepHook stepHook = nullptr;

void Reached(AtomicWriteStep step, std::size_t index) {
    if (stepHook != nullptr) {
        stepHook(step, index);
    }
}

std::string ErrorText(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

std::string TemporaryOf(const std::string& path) {
    return path + ".tmp";
}

// Writes all of content to an open file, flushes it to disk and closes it.
FileResult WriteAllAndClose(int fd, const std::string& path, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const FileResult failed{ErrorText(path)};
            ::close(fd);
            return failed;
        }
        done += static_cast<std::size_t>(n);
    }
    // The data and the size are what a reader needs; the times can wait.
    if (::ftruncate(fd, static_cast<off_t>(content.size())) != 0 || ::fdatasync(fd) != 0) {
        const FileResult failed{ErrorText(path)};
        ::close(fd);
        return failed;
    }
    if (::close(fd) != 0) {
        return {ErrorText(path)};
    }
    return {};
}

// A temporary is Kalore's own: one left as a link or a FIFO is never written through
// or waited on.
constexpr int kTemporaryFlags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

FileResult WriteAndSync(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), kTemporaryFlags, 0644);
    if (fd < 0) {
        return {ErrorText(path)};
    }
    return WriteAllAndClose(fd, path, content);
}

// The temporary file of `path`, created with the owner and mode of `like`; -1 when it
// can't be created or given them.
int OpenTemporaryLike(const std::string& path, const struct stat& like) {
    const std::string temporary = TemporaryOf(path);
    const int fd = ::open(temporary.c_str(), kTemporaryFlags, 0600);
    if (fd < 0) {
        return -1;
    }
    const bool sameOwner = like.st_uid == ::geteuid() && like.st_gid == ::getegid();
    // The owner first: changing it may clear the set-id bits that the mode then restores.
    if ((!sameOwner && ::fchown(fd, like.st_uid, like.st_gid) != 0) ||
        ::fchmod(fd, like.st_mode & 07777) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return -1;
    }
    return fd;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Makes the renames in a folder last through a power cut.
FileResult SyncFolder(const std::string& path) {
    const std::string folder = FolderOf(path);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return {ErrorText(folder)};
    }
    const bool synced = ::fsync(fd) == 0;
    const FileResult result = synced ? FileResult{} : FileResult{ErrorText(folder)};
    ::close(fd);
    return result;
}

// One sync per folder the files lie in (the schedule's two share one).
FileResult SyncFolders(const std::vector<std::string>& paths) {
    std::vector<std::string> done;
    for (const std::string& path : paths) {
        const std::string folder = FolderOf(path);
        if (std::find(done.begin(), done.end(), folder) != done.end()) {
            continue;
        }
        done.push_back(folder);
        if (const FileResult r = SyncFolder(path); !r.ok()) {
            return r;
        }
    }
    return {};
}

bool TemporaryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(TemporaryOf(path).c_str(), &st) == 0;
}

} // namespace

void SetAtomicWriteStepHook(AtomicWriteStepHook hook) {
    stepHook = hook;
}

FileResult WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> paths;
    for (const auto& file : files) {
        paths.push_back(file.first);
    }
    // The last temporary goes first: while it exists, the ones before it are whole.
    const auto discard = [&paths](std::size_t written) {
        for (std::size_t i = written; i-- > 0;) {
            ::unlink(TemporaryOf(paths[i]).c_str());
        }
    };
    // A last temporary left by a failed write would vouch for the new ones before
    // they are whole.
    if (!paths.empty()) {
        ::unlink(TemporaryOf(paths.back()).c_str());
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (const FileResult r = WriteAndSync(TemporaryOf(paths[i]), files[i].second); !r.ok()) {
            discard(i + 1);
            return r;
        }
        Reached(AtomicWriteStep::TemporaryWritten, i);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (::rename(TemporaryOf(paths[i]).c_str(), paths[i].c_str()) != 0) {
            const FileResult failed{ErrorText(paths[i])};
            if (i == 0) {
                discard(files.size());
            }
            return failed;
        }
        Reached(AtomicWriteStep::Renamed, i);
    }
    return SyncFolders(paths);
}

InterruptedWrite FinishInterruptedWrite(const std::vector<std::string>& paths,
                                        const std::function<bool(std::string_view)>& lastIsWhole,
                                        const std::string& asideSuffix) {
    InterruptedWrite result;
    if (paths.empty()) {
        return result;
    }
    std::vector<std::size_t> left;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (TemporaryExists(paths[i])) {
            left.push_back(i);
        }
    }
    if (left.empty()) {
        return result;
    }
    const std::string& last = paths.back();
    std::string lastBytes;
    const bool complete = left.back() == paths.size() - 1 &&
                          ReadWholeFile(TemporaryOf(last), lastBytes) && lastIsWhole(lastBytes);
    const bool renamesBegun = left.size() < paths.size() && left.back() == paths.size() - 1;
    std::vector<std::string> touched;
    for (const std::size_t i : left) {
        const std::string target = complete ? paths[i] : paths[i] + asideSuffix;
        if (::rename(TemporaryOf(paths[i]).c_str(), target.c_str()) != 0) {
            result.error = ErrorText(target);
            return result;
        }
        touched.push_back(target);
        if (!complete) {
            result.keptAside.push_back(target);
        }
    }
    result.completed = complete;
    if (!complete && renamesBegun) {
        result.error = last + ": la dernière écriture est incomplète";
    }
    if (const FileResult synced = SyncFolders(touched); !synced.ok() && result.error.empty()) {
        result.error = synced.error;
    }
    return result;
}

FileResult ReplaceFileKeepingOwner(const std::string& path, const std::string& content) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return {ErrorText(path)};
    }
    const bool linked = S_ISLNK(st.st_mode) || st.st_nlink > 1;
    if (linked && ::stat(path.c_str(), &st) != 0) {
        return {ErrorText(path)};
    }
    if (!S_ISREG(st.st_mode)) {
        return {path + ": not a regular file"};
    }
    if ((st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        errno = EACCES;
        return {ErrorText(path)};
    }
    const int temporary = linked ? -1 : OpenTemporaryLike(path, st);
    if (temporary < 0) {
        // In place: a crash mid-write could cut the file short, but its owner, mode
        // and links stay.
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return {ErrorText(path)};
        }
        return WriteAllAndClose(fd, path, content);
    }
    if (const FileResult r = WriteAllAndClose(temporary, TemporaryOf(path), content); !r.ok()) {
        ::unlink(TemporaryOf(path).c_str());
        return r;
    }
    Reached(AtomicWriteStep::TemporaryWritten, 0);
    if (::rename(TemporaryOf(path).c_str(), path.c_str()) != 0) {
        const FileResult failed{ErrorText(path)};
        ::unlink(TemporaryOf(path).c_str());
        return failed;
    }
    Reached(AtomicWriteStep::Renamed, 0);
    return SyncFolder(path);
}

void PruneAsideCopies(const std::string& path, const std::string& kind, std::size_t keep) {
    const std::string folder = FolderOf(path);
    const std::string prefix = path.substr(path.find_last_of('/') + 1) + "." + kind + "-";
    // Only the copies Kalore names: the prefix and a stamp, nothing else.
    const auto isCopy = [&prefix](std::string_view name) {
        const std::string_view stamp = name.substr(std::min(prefix.size(), name.size()));
        return name.starts_with(prefix) && stamp.size() == 15 && stamp[8] == '-' &&
               std::all_of(stamp.begin(), stamp.end(),
                           [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
    };
    std::vector<std::string> copies;
    for (std::string& name : FilesIn(folder)) {
        if (isCopy(name)) {
            copies.push_back(std::move(name));
        }
    }
    if (copies.size() <= keep) {
        return;
    }
    std::sort(copies.begin(), copies.end());
    for (std::size_t i = 0; i + keep < copies.size(); ++i) {
        // A database's copy goes with its journal.
        for (const char* companion : {"", "-wal", "-shm"}) {
            RemoveFileIn(folder, copies[i] + companion);
        }
    }
}

bool ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
    std::string error;
    const int fd = OpenFileToRead(path, error);
    if (fd < 0) {
        return false;
    }
    // Straight into a buffer of the file's size: a large file is neither copied
    // twice nor grown step by step.
    struct stat st {};
    content.clear();
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
            ::close(fd);
            return false;
        }
        content.reserve(static_cast<std::size_t>(st.st_size));
        PreferHugePages(content.data(), content.capacity());
        content.resize(static_cast<std::size_t>(st.st_size));
    }
    std::size_t done = 0;
    char spill[65536];
    for (;;) {
        // Once full, a file that grew since fstat goes on through the spill buffer.
        const bool full = done == content.size();
        char* const into = full ? spill : content.data() + done;
        const std::size_t room = full ? sizeof spill : content.size() - done;
        const ssize_t n = ::read(fd, into, room);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        if (full) {
            content.append(spill, static_cast<std::size_t>(n));
        }
        done += static_cast<std::size_t>(n);
        // A file that grows while it is read, or a device without end.
        if (done > maxBytes) {
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    content.resize(done);
    return true;
}

bool ReadFileStart(const std::string& path, std::string& content, std::size_t maxBytes) {
    std::string error;
    const int fd = OpenFileToRead(path, error);
    if (fd < 0) {
        return false;
    }
    content.assign(maxBytes, '\0');
    std::size_t done = 0;
    while (done < maxBytes) {
        const ssize_t n = ::read(fd, content.data() + done, maxBytes - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    content.resize(done);
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::uintmax_t> FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uintmax_t>(st.st_size);
}

} // namespace kalore

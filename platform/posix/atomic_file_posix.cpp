#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalore {
namespace {

std::string ErrorText(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

FileResult WriteAndSync(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return {ErrorText(path)};
    }
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
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        return {ErrorText(path)};
    }
    return {};
}

} // namespace

FileResult WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<std::string> temporaries;
    const auto discard = [&temporaries] {
        for (const auto& t : temporaries) {
            ::unlink(t.c_str());
        }
    };
    for (const auto& [path, content] : files) {
        const std::string temporary = path + ".tmp";
        temporaries.push_back(temporary);
        if (const FileResult r = WriteAndSync(temporary, content); !r.ok()) {
            discard();
            return r;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (::rename(temporaries[i].c_str(), files[i].first.c_str()) != 0) {
            const FileResult failed{ErrorText(files[i].first)};
            discard();
            return failed;
        }
    }
    return {};
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
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
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace kalore

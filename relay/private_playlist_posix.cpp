#include "relay/private_playlist.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/user_folders.h"

namespace kalore {

namespace {

bool WriteNew(const std::string& path, std::string_view text) {
    const int descriptor =
        open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    const bool whole =
        write(descriptor, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(descriptor) == 0 && whole;
}

} // namespace

PrivatePlaylists::~PrivatePlaylists() {
    if (folder_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string PrivatePlaylists::For(const std::string& name, const std::string& address) {
    if (folder_.empty()) {
        // mkdtemp makes the folder with mode 0700, under a name nobody could take first.
        const std::string runtime = UserRuntimeFolder();
        std::string pattern =
            (runtime.empty() ? SharedTemporaryFolder() : runtime) + "/kalore-relais-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return "";
        folder_ = pattern;
    }
    const std::string path = folder_ + "/" + name + ".m3u";
    return WriteNew(path, "#EXTM3U\n" + address + "\n") ? path : "";
}

} // namespace kalore

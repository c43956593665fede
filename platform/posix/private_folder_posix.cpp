#include "platform/private_folder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/user_folders.h"

namespace kalore {

std::string PrivateTemporaryFolder(const std::string& name) {
    const std::string runtime = UserRuntimeFolder();
    const std::string folder =
        !runtime.empty() ? runtime + "/" + name
                         : SharedTemporaryFolder() + "/" + name + "-" + std::to_string(::geteuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivateFolder(folder) ? folder : std::string();
}

} // namespace kalore

#include "platform/private_folder.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace kalore {
namespace {

std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

bool IsPrivate(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

} // namespace

std::string PrivateTemporaryFolder(const std::string& name) {
    std::string folder;
    if (const std::string runtime = AbsoluteVariable("XDG_RUNTIME_DIR");
        !runtime.empty() && IsPrivate(runtime)) {
        folder = runtime + "/" + name;
    } else {
        const std::string temporary = AbsoluteVariable("TMPDIR");
        folder = (temporary.empty() ? std::string("/tmp") : temporary) + "/" + name + "-" +
                 std::to_string(::geteuid());
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivate(folder) ? folder : std::string();
}

} // namespace kalore

#include "platform/user_folders.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalore {
namespace {

std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

} // namespace

std::string UserBaseFolder(const char* variable, const char* inHome) {
    if (std::string base = AbsoluteVariable(variable); !base.empty()) {
        return base;
    }
    std::string home = AbsoluteVariable("HOME");
    if (home.empty()) {
        const passwd* user = ::getpwuid(::geteuid());
        home = user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/' ? user->pw_dir
                                                                                    : "";
    }
    return home.empty() ? home : home + "/" + inHome;
}

bool IsPrivateFolder(const std::string& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

std::string UserRuntimeFolder() {
    const std::string runtime = AbsoluteVariable("XDG_RUNTIME_DIR");
    return !runtime.empty() && IsPrivateFolder(runtime) ? runtime : std::string();
}

std::string SharedTemporaryFolder() {
    const std::string temporary = AbsoluteVariable("TMPDIR");
    return temporary.empty() ? std::string("/tmp") : temporary;
}

} // namespace kalore

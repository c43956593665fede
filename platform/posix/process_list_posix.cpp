#include "platform/process_list.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "platform/posix/child_registry.h"

namespace kalore {
namespace {

bool SameWithoutCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The executable's path and the kernel's short name (a script shows there by
// its own name rather than its interpreter's).
bool NameMatches(const std::filesystem::path& procEntry, const std::string& name) {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink(procEntry / "exe", error);
    if (!error &&
        (SameWithoutCase(exe.filename().string(), name) || SameWithoutCase(exe.string(), name))) {
        return true;
    }
    std::ifstream commFile(procEntry / "comm");
    std::string comm;
    std::getline(commFile, comm);
    return !comm.empty() && SameWithoutCase(comm, name);
}

} // namespace

bool KillProcessesByName(const std::string& name) {
    bool result = false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pidText = entry.path().filename().string();
        if (pidText.empty() || !std::all_of(pidText.begin(), pidText.end(), ::isdigit)) {
            continue;
        }
        int pidfd = posix::ChildRegistry::Instance().DuplicatePidfd(std::stoi(pidText));
        if (pidfd < 0) {
            continue;
        }
        if (NameMatches(entry.path(), name)) {
            result = posix::TerminateByPidfd(pidfd, 1000);
        }
        close(pidfd);
    }
    return result;
}

} // namespace kalore

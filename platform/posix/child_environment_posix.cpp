#include "platform/child_environment.h"

#include <unistd.h>

#include <algorithm>
#include <string_view>

namespace kalore {
namespace {

std::string_view NameOf(std::string_view entry) {
    return entry.substr(0, entry.find('='));
}

} // namespace

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view name = NameOf(*entry);
        const bool changed = std::any_of(changes.begin(), changes.end(),
                                         [&](const std::string& c) { return NameOf(c) == name; });
        if (!changed) {
            environment.emplace_back(*entry);
        }
    }
    for (const std::string& change : changes) {
        if (change.find('=') != std::string::npos) {
            environment.push_back(change);
        }
    }
    return environment;
}

} // namespace kalore

#pragma once

#include <string>
#include <vector>

namespace kalore {

// This process's environment with the changes applied, one "NAME=value" each:
// a change "NAME=value" sets the variable, "NAME" alone removes it.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes);

} // namespace kalore

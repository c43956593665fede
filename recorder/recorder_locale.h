#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kalore {

// The environment changes (for ChildProcess::Start) that give the recorder a
// numeric locale its encoders read: vlc hands option values such as "1.0" to
// its encoders as text, and under a numeric locale with a decimal comma the
// MPEG-2 encoder refuses them and the file loses its picture. LC_NUMERIC is
// "C"; messages and the rest keep the user's locale. LC_ALL would override
// LC_NUMERIC, so a set LC_ALL (lcAll) is removed and its value moved to LANG.
std::vector<std::string> RecorderLocaleChanges(const std::optional<std::string>& lcAll);

// The same for this process's own LC_ALL.
std::vector<std::string> RecorderLocaleChanges();

} // namespace kalore

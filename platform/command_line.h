#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalore {

// Splits a command line into arguments by the Windows rules, so the one text
// built for the recorder serves both systems: the program name ends at the next
// blank unless quoted (no backslash escapes in it); in the other arguments
// 2n backslashes before a quote give n backslashes and the quote toggles
// quoting, 2n+1 give n backslashes and a literal quote, other backslashes are
// kept, and "" inside quotes is a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

} // namespace kalore

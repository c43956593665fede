#pragma once

#include <string>
#include <string_view>

namespace kalore {

// Everything after the first comma of a line; the whole line when it holds none.
std::string TextAfterComma(std::string_view line);

// The same rule on a UTF-8 line, with the result passed through Windows-1252 so
// that a character the code page lacks becomes '?' (the result is UTF-8 again).
std::string Utf8TextAfterComma(std::string_view line);

} // namespace kalore

#pragma once

#include <string>
#include <string_view>

namespace kalore {

// Everything after the first comma of a line; the whole line when it holds none.
std::string TextAfterComma(std::string_view line);
// The same as a view into the line, for the loaders' 100,000 lines.
std::string_view TextAfterCommaIn(std::string_view line);

// The same rule on a UTF-8 line, with the result passed through Windows-1252 so
// that a character the code page lacks becomes '?' (the result is UTF-8 again).
std::string Utf8TextAfterComma(std::string_view line);

// True when the UTF-8 text comes back from Windows-1252 as it stands: ASCII and
// well-formed letters U+00A0..U+00FF only. Then so does every piece of it cut at
// ASCII bytes, so Utf8TextAfterComma gives what TextAfterComma gives.
bool SurvivesWindows1252(std::string_view text);

} // namespace kalore

#pragma once

#include <string>
#include <string_view>

namespace kalore {

// The files of the program keep the single-byte Windows-1252 code page; text
// inside the program is UTF-8. A character that Windows-1252 lacks becomes '?',
// and invalid UTF-8 is replaced the same way, so a hostile file can't smuggle
// bytes through.
std::string Win1252ToUtf8(std::string_view bytes);
std::string Utf8ToWin1252(std::string_view utf8);

// The code point of one Windows-1252 byte; 0 for the five bytes it leaves undefined.
char32_t Win1252CodePoint(unsigned char byte);

// Replaces every invalid UTF-8 sequence by U+FFFD, keeping valid text as it is.
std::string SanitizeUtf8(std::string_view bytes);

} // namespace kalore

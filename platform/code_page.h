#pragma once

#include <optional>
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

// The position of the first byte that doesn't begin a well-formed UTF-8 sequence,
// or npos when the whole text is UTF-8.
std::size_t FirstInvalidUtf8(std::string_view bytes);

// The position of the first of the five bytes Windows-1252 leaves undefined, or npos.
std::size_t FirstUndefinedWindows1252(std::string_view bytes);

// UTF-16 without its byte-order mark to UTF-8 and back, in either byte order. An odd
// number of bytes or a lone surrogate has no UTF-8 form: nothing comes back then.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian);

} // namespace kalore

#pragma once

#include <string_view>

namespace kalore {

// ASCII letters compared without their case, as schemes, protocol names and
// header names are; other bytes as they are, whatever the locale.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace kalore

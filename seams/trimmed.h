#pragma once

#include <string_view>

namespace kalore {

inline bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Blanks, line breaks and every other control character.
inline bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// `text` without the characters at either end that `strip` picks.
template <typename Strip> std::string_view Trimmed(std::string_view text, Strip strip) {
    while (!text.empty() && strip(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && strip(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace kalore

#include "guide/text_fold.h"

#include <array>
#include <cstdint>

namespace kalore {
namespace {

// Folded forms of U+00C0..U+017F; an empty one keeps the character (× and ÷).
constexpr std::array<std::string_view, 192> kLatinFolds = {
    "a", "a", "a",  "a",  "a", "a", "ae", "c",  "e",  "e", "e", "e", "i",  "i",  "i", "i", "d", "n",
    "o", "o", "o",  "o",  "o", "",  "o",  "u",  "u",  "u", "u", "y", "th", "ss", "a", "a", "a", "a",
    "a", "a", "ae", "c",  "e", "e", "e",  "e",  "i",  "i", "i", "i", "d",  "n",  "o", "o", "o", "o",
    "o", "",  "o",  "u",  "u", "u", "u",  "y",  "th", "y", "a", "a", "a",  "a",  "a", "a", "c", "c",
    "c", "c", "c",  "c",  "c", "c", "d",  "d",  "d",  "d", "e", "e", "e",  "e",  "e", "e", "e", "e",
    "e", "e", "g",  "g",  "g", "g", "g",  "g",  "g",  "g", "h", "h", "h",  "h",  "i", "i", "i", "i",
    "i", "i", "i",  "i",  "i", "i", "ij", "ij", "j",  "j", "k", "k", "k",  "l",  "l", "l", "l", "l",
    "l", "l", "l",  "l",  "l", "n", "n",  "n",  "n",  "n", "n", "n", "n",  "n",  "o", "o", "o", "o",
    "o", "o", "oe", "oe", "r", "r", "r",  "r",  "r",  "r", "s", "s", "s",  "s",  "s", "s", "s", "s",
    "t", "t", "t",  "t",  "t", "t", "u",  "u",  "u",  "u", "u", "u", "u",  "u",  "u", "u", "u", "u",
    "w", "w", "y",  "y",  "y", "z", "z",  "z",  "z",  "z", "z", "s"};

// The next code point, or nothing for an invalid sequence (one byte is skipped).
bool NextCodePoint(std::string_view s, std::size_t& pos, char32_t& cp) {
    const auto byte = [&s](std::size_t i) {
        return static_cast<std::uint8_t>(s[i]);
    };
    const std::uint8_t lead = byte(pos);
    int extra = 0;
    if (lead < 0x80) {
        cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
        cp = lead & 0x1F;
        extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
        cp = lead & 0x0F;
        extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
        cp = lead & 0x07;
        extra = 3;
    } else {
        ++pos;
        return false;
    }
    if (pos + static_cast<std::size_t>(extra) >= s.size()) {
        ++pos;
        return false;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    pos += extra + 1;
    return true;
}

std::string_view PunctuationFold(char32_t cp) {
    switch (cp) {
    case 0x00A0: // no-break space
    case 0x202F: // narrow no-break space
    case 0x2009: // thin space
        return " ";
    case 0x2018:
    case 0x2019:
    case 0x02BC:
        return "'";
    case 0x00AB:
    case 0x00BB:
    case 0x201C:
    case 0x201D:
        return "\"";
    case 0x2010:
    case 0x2011:
    case 0x2013:
    case 0x2014:
        return "-";
    case 0x2026:
        return "...";
    default:
        return {};
    }
}

} // namespace

std::string FoldText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        char32_t cp = 0;
        if (!NextCodePoint(utf8, pos, cp)) {
            continue;
        }
        if (cp < 0x80) {
            out.push_back(cp >= 'A' && cp <= 'Z' ? static_cast<char>(cp - 'A' + 'a')
                                                 : static_cast<char>(cp));
        } else if (cp >= 0xC0 && cp < 0x180 && !kLatinFolds[cp - 0xC0].empty()) {
            out.append(kLatinFolds[cp - 0xC0]);
        } else if (const std::string_view plain = PunctuationFold(cp); !plain.empty()) {
            out.append(plain);
        } else {
            out.append(utf8.substr(start, pos - start));
        }
    }
    return out;
}

} // namespace kalore

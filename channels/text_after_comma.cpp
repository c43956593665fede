#include "channels/text_after_comma.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/code_page.h"

namespace kalore {

std::string TextAfterComma(std::string_view line) {
    return std::string(TextAfterCommaIn(line));
}

std::string_view TextAfterCommaIn(std::string_view line) {
    const auto comma = line.find(',');
    return comma == std::string_view::npos ? line : line.substr(comma + 1);
}

std::string Utf8TextAfterComma(std::string_view line) {
    const std::string_view text = TextAfterCommaIn(line);
    // Text the code page holds as it stands passes through unchanged; checking that
    // first keeps a big playlist quick to load.
    if (SurvivesWindows1252(text)) {
        return std::string(text);
    }
    return Win1252ToUtf8(Utf8ToWin1252(text));
}

bool SurvivesWindows1252(std::string_view text) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (;;) {
        // Eight ASCII bytes at a time, straight to the next other byte: playlists
        // are mostly ASCII, with a letter or two in a name.
        while (i + 8 <= text.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + i, 8);
            if (const std::uint64_t high = word & kHighBits; high != 0) {
                const int bit = std::endian::native == std::endian::little ? std::countr_zero(high)
                                                                           : std::countl_zero(high);
                i += static_cast<std::size_t>(bit) / 8;
                break;
            }
            i += 8;
        }
        while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
        }
        if (i >= text.size()) {
            return true;
        }
        if (i + 1 >= text.size()) {
            return false;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = static_cast<unsigned char>(text[i + 1]);
        const bool latin1 = byte == 0xC3 || (byte == 0xC2 && next >= 0xA0);
        if (!latin1 || (next & 0xC0) != 0x80) {
            return false;
        }
        i += 2;
    }
}

} // namespace kalore

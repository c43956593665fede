#include "channels/text_after_comma.h"

#include <cstdint>
#include <cstring>

#include "platform/code_page.h"

namespace kalore {
namespace {

// ASCII and well-formed UTF-8 letters U+00A0..U+00FF (the accented letters of
// French among them), which Windows-1252 holds at the same code points.
bool HeldByWindows1252AsItStands(std::string_view text) {
    std::size_t i = 0;
    // Eight ASCII bytes at a time: playlist lines are mostly long ASCII addresses.
    for (std::uint64_t word = 0; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ULL) != 0) {
            break;
        }
    }
    for (; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            continue;
        }
        if (i + 1 >= text.size()) {
            return false;
        }
        const auto next = static_cast<unsigned char>(text[i + 1]);
        const bool latin1 = byte == 0xC3 || (byte == 0xC2 && next >= 0xA0);
        if (!latin1 || (next & 0xC0) != 0x80) {
            return false;
        }
        ++i;
    }
    return true;
}

} // namespace

std::string TextAfterComma(std::string_view line) {
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) {
        return std::string(line);
    }
    return std::string(line.substr(comma + 1));
}

std::string Utf8TextAfterComma(std::string_view line) {
    const auto comma = line.find(',');
    const std::string_view text = comma == std::string_view::npos ? line : line.substr(comma + 1);
    // Text the code page holds as it stands passes through unchanged; checking that
    // first keeps a big playlist quick to load.
    if (HeldByWindows1252AsItStands(text)) {
        return std::string(text);
    }
    return Win1252ToUtf8(Utf8ToWin1252(text));
}

} // namespace kalore

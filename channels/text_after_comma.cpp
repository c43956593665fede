#include "channels/text_after_comma.h"

#include <algorithm>

#include "platform/code_page.h"

namespace kalore {

std::string TextAfterComma(std::string_view line) {
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) {
        return std::string(line);
    }
    return std::string(line.substr(comma + 1));
}

std::string Utf8TextAfterComma(std::string_view line) {
    const std::string text = TextAfterComma(line);
    // Plain ASCII passes through the code page unchanged; most playlists are ASCII,
    // and skipping the round trip keeps a big playlist quick to load.
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        return text;
    }
    return Win1252ToUtf8(Utf8ToWin1252(text));
}

} // namespace kalore

#include "recorder/output_block.h"

#include "platform/code_page.h"

namespace kalore {
namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string FormatOutputBlock(std::string_view bytes) {
    std::string_view text = bytes.substr(0, bytes.find('\0'));
    std::string lines;
    for (char c : SanitizeUtf8(text)) {
        if (c == '\r') {
            lines += "\r\n";
        } else if (c != '\n') {
            lines += c;
        }
    }
    std::size_t first = 0;
    while (first < lines.size() && IsTrimmed(lines[first])) {
        ++first;
    }
    std::size_t last = lines.size();
    while (last > first && IsTrimmed(lines[last - 1])) {
        --last;
    }
    return "|||" + lines.substr(first, last - first) + "|||";
}

} // namespace kalore

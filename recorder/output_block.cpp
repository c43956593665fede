#include "recorder/output_block.h"

#include "platform/code_page.h"
#include "seams/trimmed.h"

namespace kalore {
std::string FormatOutputBlock(std::string_view bytes) {
    std::string lines;
    for (char c : SanitizeUtf8(bytes)) {
        if (c == '\r') {
            lines += "\r\n";
        } else if (c != '\n') {
            lines += c;
        }
    }
    return "|||" + std::string(Trimmed(lines, IsBlankOrControl)) + "|||";
}

} // namespace kalore

#include "channels/text_lines.h"

namespace kalore {

TextLines::TextLines(std::string_view content) : content_(content) {
    const auto ctrlZ = content_.find('\x1A');
    if (ctrlZ != std::string_view::npos) {
        content_ = content_.substr(0, ctrlZ);
    }
    // One look for the whole content spares a second scan of each line.
    hasCarriageReturns_ = content_.find('\r') != std::string_view::npos;
}

std::string_view TextLines::ReadLine(std::string& scratch) {
    if (AtEnd()) {
        return {};
    }
    auto end = content_.find('\n', pos_);
    if (end == std::string_view::npos) {
        end = content_.size();
    }
    const std::string_view raw = content_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (!hasCarriageReturns_ || raw.find('\r') == std::string_view::npos) {
        return raw;
    }
    scratch.clear();
    for (const char c : raw) {
        if (c != '\r') {
            scratch.push_back(c);
        }
    }
    return scratch;
}

} // namespace kalore

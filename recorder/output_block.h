#pragma once

#include <string>
#include <string_view>

namespace kalore {

// The log entry for one read of the recorder's output: every byte read, zero
// bytes too, as UTF-8 with invalid bytes replaced, CR turned into CR LF and LF
// dropped, trimmed of blanks and control characters at both ends, between
// "|||" marks.
std::string FormatOutputBlock(std::string_view bytes);

} // namespace kalore

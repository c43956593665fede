#pragma once

#include <string>
#include <string_view>

namespace kalore {

// UTF-8 text as searches compare it: lower case, Latin letters without their accents
// ("É" -> "e", "œ" -> "oe"), typographic quotes, dashes and non-breaking spaces as
// their plain ASCII forms. Other characters stay as they are; invalid bytes are
// dropped.
std::string FoldText(std::string_view utf8);

} // namespace kalore

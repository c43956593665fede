#pragma once

namespace kalore {

// The windows are laid out in pixels for Tahoma. Where the system doesn't have it,
// the metric-compatible Tahoma shipped with the Windows-compatibility fonts is
// loaded, so captions fit their controls as designed.
void LoadWindowFonts();

} // namespace kalore

#pragma once

namespace kalore {

// Whether the embeddable player can be created here: the libVLC library loads, an
// instance starts with its plugins and the deinterlace filter live viewing asks for
// is among them. Each call checks afresh, so a player installed while Kalore runs is
// found at the next check.
bool PlayerControlAvailable();

} // namespace kalore

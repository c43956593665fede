#pragma once

#include <string>

namespace kalore {

// What the session says of its displays, from its environment.
struct DisplayEnvironment {
    std::string qtPlatform;     // QT_QPA_PLATFORM: the user's own choice
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string x11Display;     // DISPLAY: X11, or XWayland in a Wayland session
    std::string sessionType;    // XDG_SESSION_TYPE
};

// How Kalore opens its windows. libVLC draws the live picture into an X11 window:
// on Qt's Wayland platform the player's widget has none, and libVLC opens a window of
// its own. So in a Wayland session Kalore goes through XWayland when it is there.
struct DisplayChoice {
    std::string qtPlatform; // what Kalore asks of Qt; empty: Qt's own choice
    std::string warning;    // for the user, once the window is there; empty: none
    std::string refusal;    // for the terminal when no window can open; empty: none
};

DisplayChoice ChooseDisplay(const DisplayEnvironment& environment);

} // namespace kalore

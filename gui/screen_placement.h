#pragma once

class QWidget;
class QRect;
class QMargins;

namespace kalore {

// Where Kalore's windows open: inside the available area of their screen (the
// desktop's panels left out), a side window beside the main window when there is
// room for it.

// The area windows may take on the screen of `window` (or of its parent, before it
// shows), in global coordinates.
QRect AvailableArea(const QWidget& window);
// The frame the window manager draws around `window`: its own once shown, else
// that of `shown` (a window of the same program, as framed alike).
QMargins FrameMargins(const QWidget& window, const QWidget& shown);
// Moves `window`, and shrinks it when it must (never below its minimum), so that it
// lies with its frame inside the available area.
void KeepInsideScreen(QWidget& window, const QWidget& shown);
// Places `window` beside `mainWindow`, on the side with more room, no larger than
// that room; over the main window, inside the screen, when neither side has room
// for its smallest size.
void PlaceBeside(QWidget& window, const QWidget& mainWindow);

} // namespace kalore

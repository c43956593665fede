#pragma once

#include <memory>

#include "gui/main_window.h"

namespace kalore {

// The program's start, after the toolkit: the splash window, the main window and its
// set-up sequence, the player location dialog, the pause, then the main window shown
// and activated; from its creation on, the session's request to end closes it. The
// caller runs the message loop.
std::unique_ptr<TForm1> StartProgram(MainWindowOptions options = {});

} // namespace kalore

#pragma once

#include <functional>

namespace kalore {

// Runs work on a worker thread and returns once it is done. Meanwhile the main
// thread goes on handling window events, the user's input excepted: windows repaint
// and answer the desktop, and nothing half-built can be clicked.
void RunWhileWindowsPaint(const std::function<void()>& work);

} // namespace kalore

#pragma once

class QWidget;

namespace kalore {

// Closes the window when the session asks the program to end (logout, shutdown,
// kill -TERM), so the close sequence saves the settings and the schedule as a
// click on the close box would.
void CloseOnTerminationRequest(QWidget& window);

} // namespace kalore

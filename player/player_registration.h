#pragma once

#include <functional>

class QDialog;

namespace kalore {

// Sets the control-available flag from a fresh check of the embeddable player; when
// it is missing, shows the player location dialog modally. The check does not repeat
// when the dialog closes: the window runs it again when it is next activated.
void CheckPlayerRegistration(bool& controlAvailable, QDialog& playerDialog,
                             const std::function<bool()>& playerAvailable);
// The same for a caller that shows the dialog its own way.
void CheckPlayerRegistration(bool& controlAvailable, const std::function<void()>& showPlayerDialog,
                             const std::function<bool()>& playerAvailable);
void CheckPlayerRegistration(bool& controlAvailable, QDialog& playerDialog);

} // namespace kalore

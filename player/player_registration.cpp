#include "player/player_registration.h"

#include <QDialog>

#include "player/player_check.h"

namespace kalore {

void CheckPlayerRegistration(bool& controlAvailable, const std::function<void()>& showPlayerDialog,
                             const std::function<bool()>& playerAvailable) {
    controlAvailable = false;
    if (playerAvailable()) {
        controlAvailable = true;
        return;
    }
    showPlayerDialog();
}

void CheckPlayerRegistration(bool& controlAvailable, QDialog& playerDialog,
                             const std::function<bool()>& playerAvailable) {
    CheckPlayerRegistration(
        controlAvailable, [&playerDialog] { playerDialog.exec(); }, playerAvailable);
}

void CheckPlayerRegistration(bool& controlAvailable, QDialog& playerDialog) {
    CheckPlayerRegistration(controlAvailable, playerDialog, PlayerControlAvailable);
}

} // namespace kalore

#include "player/player_registration.h"

#include <QDialog>

#include "platform/player_check.h"

namespace kalore {

void CheckPlayerRegistration(bool& controlAvailable, QDialog& playerDialog,
                             const std::function<bool()>& playerAvailable) {
    controlAvailable = false;
    if (playerAvailable()) {
        controlAvailable = true;
        return;
    }
    playerDialog.exec();
}

void CheckPlayerRegistration(bool& controlAvailable, QDialog& playerDialog) {
    CheckPlayerRegistration(controlAvailable, playerDialog, PlayerControlAvailable);
}

} // namespace kalore

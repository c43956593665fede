#include "app/display_choice.h"

namespace kalore {

DisplayChoice ChooseDisplay(const DisplayEnvironment& environment) {
    DisplayChoice choice;
    // Set by the user (or a test): taken as it is.
    if (!environment.qtPlatform.empty()) {
        return choice;
    }
    const bool wayland =
        !environment.waylandDisplay.empty() || environment.sessionType == "wayland";
    if (!environment.x11Display.empty()) {
        // In a Wayland session DISPLAY names XWayland; elsewhere Qt takes X11 anyway.
        choice.qtPlatform = wayland ? "xcb" : "";
        return choice;
    }
    if (!environment.waylandDisplay.empty()) {
        choice.warning =
            "Votre session Wayland n'a pas XWayland : l'image de la télévision ne peut pas "
            "s'afficher dans la fenêtre de Kalore.\rInstallez XWayland (paquet « xwayland » : "
            "sudo apt install xwayland), puis ouvrez une nouvelle session.";
        return choice;
    }
    choice.refusal = "il faut une session graphique pour ouvrir Kalore : aucun écran n'est "
                     "indiqué (ni DISPLAY ni WAYLAND_DISPLAY).";
    return choice;
}

} // namespace kalore

# The Debian package, built by CPack from the install rules (scripts/package).
# Library dependencies come from dpkg-shlibdeps; the programs Kalore starts and the
# plugins it needs at run time are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalore)
set(CPACK_PACKAGE_VENDOR "Kalore")
set(CPACK_PACKAGE_CONTACT "L'équipe Kalore <contact@kalore-logiciels.fr>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.kalore-logiciels.fr")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "regarder et enregistrer la TV de votre box Orange ou Free")
set(CPACK_PACKAGE_DESCRIPTION [=[
Kalore montre en direct, dans sa fenêtre, les chaînes de télévision d'un
abonnement ADSL Orange ou Free : pour Free, la liste des chaînes est celle de
la box, relue à chaque lancement.
.
Il enregistre la chaîne choisie tout de suite, ou tout seul à la date et à
l'heure programmées, avec le programme vlc. La programmation est gardée à
chaque changement, et Kalore peut se lancer à l'ouverture de la session.]=])
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# vlc records; the base plugins read the streams and encode, the video output ones show
# live pictures; Qt needs its platform plugins to open a window, and its own French
# texts (the text fields' menus…).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "vlc-bin, vlc-plugin-base, vlc-plugin-video-output, qt6-qpa-plugins, qt6-translations-l10n")
# The window's font, Tahoma, comes with Wine's fonts. In a Wayland session Kalore goes
# through XWayland, where libVLC draws the picture inside its window; without it, Qt's
# Wayland plugin still opens the window. The user's videos folder, where recordings go,
# is named by xdg-user-dirs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, xwayland, qt6-wayland, xdg-user-dirs")
include(CPack)

#include "platform/autostart.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/user_folders.h"

namespace kalore {

namespace {

const char* const kEntryName = "kalore.desktop";

std::string EntryPath(const std::string& folder) {
    return folder + "/" + kEntryName;
}

// An existing folder we may write into; anything else counts as "doesn't open".
bool FolderOpens(const std::string& folder) {
    struct stat info {};
    return !folder.empty() && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

// Exec needs the quoting rules of desktop entries, then the escapes of their strings,
// so that no folder name can add arguments, field codes or further keys.
std::string ExecValue(const std::vector<std::string>& command) {
    std::string quoted;
    for (const std::string& argument : command) {
        quoted += quoted.empty() ? "\"" : " \"";
        for (char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                quoted += '\\';
            }
            quoted += c;
        }
        quoted += '"';
    }
    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '%':
            value += "%%";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\r':
            value += "\\r";
            break;
        case '\t':
            value += "\\t";
            break;
        default:
            value += c;
        }
    }
    return value;
}

} // namespace

std::string DefaultAutostartFolder() {
    const std::string config = UserBaseFolder("XDG_CONFIG_HOME", ".config");
    return config.empty() ? config : config + "/autostart";
}

std::string AutostartEntry(const std::vector<std::string>& command) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kalore\n"
           "Exec=" +
           ExecValue(command) +
           "\n"
           "Terminal=false\n";
}

std::optional<std::string> RegisterAutostart(const std::string& autostartFolder,
                                             const std::vector<std::string>& command) {
    // A fresh account has no autostart folder yet: the desktop reads it once made.
    std::error_code ignored;
    if (!autostartFolder.empty()) {
        std::filesystem::create_directories(autostartFolder, ignored);
    }
    if (!FolderOpens(autostartFolder)) {
        return std::nullopt;
    }
    FileResult written =
        WriteFilesAtomically({{EntryPath(autostartFolder), AutostartEntry(command)}});
    if (!written.ok()) {
        return SystemConfigurationErrorMessage(written.error);
    }
    return std::nullopt;
}

void UnregisterAutostart(const std::string& autostartFolder) {
    if (FolderOpens(autostartFolder)) {
        unlink(EntryPath(autostartFolder).c_str());
    }
}

void UnregisterAutostart() {
    UnregisterAutostart(DefaultAutostartFolder());
}

std::string SystemConfigurationErrorMessage(const std::string& detail) {
    return "Erreur d'accès à la configuration de votre système\r"
           "Assurez vous d'avoir les droits d'administrateur.\r"
           "Si vous êtes sous Windows 7 ou Vista, lancez Kalore en tant que administrateur ou,\r"
           "assurez vous d'avoir désactiver l'UAC (Contrôle des Comptes d'Utilisateurs)\r"
           " (" +
           detail + ")";
}

} // namespace kalore

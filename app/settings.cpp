#include "app/settings.h"

#include <sys/stat.h>

#include "app/host.h"
#include "app/ini_file.h"
#include "platform/program_folder.h"

namespace kalore {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::string SettingsFileName(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\kalore.ini");
}

void LoadSettings(const std::string& programFolder, SettingsValues& values, Host& host) {
    const std::string fileName = SettingsFileName(programFolder);
    const std::string fallbackOutput = programFolder + "record.avi";
    if (!Exists(fileName)) {
        values.outputPath = fallbackOutput;
        return;
    }
    IniFile ini;
    if (!ini.Load(fileName)) {
        host.ShowMessage("Fichier d'initialisation introuvable! ");
        return;
    }
    const std::string outputPath = ini.Value("Visual", "lastRecordPath");
    const std::string playerPath = ini.Value("Visual", "vlcpath");
    values.outputPath = outputPath.empty() ? fallbackOutput : outputPath;
    if (!playerPath.empty()) {
        values.playerPath = playerPath;
    }
}

void SaveSettings(const std::string& programFolder, const SettingsValues& values, Host& host) {
    const std::string fileName = SettingsFileName(programFolder);
    if (!Exists(fileName)) {
        return;
    }
    IniFile ini;
    std::string error;
    bool ok = ini.Load(fileName);
    if (ok) {
        ini.SetValue("Visual", "lastRecordPath", values.outputPath);
        ini.SetValue("Connexion", "internetProvider", values.provider);
        if (!values.playerPath.empty()) {
            ini.SetValue("Visual", "vlcpath", values.playerPath);
        }
        ok = ini.Save(fileName, error);
    }
    if (!ok) {
        host.ShowMessage("Erreur d'enregistrement dans INI : **" + fileName + "**");
    }
}

} // namespace kalore

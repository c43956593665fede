#include "settings/settings_file.h"

#include <filesystem>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/program_folder.h"
#include "seams/aside_copy.h"
#include "seams/clock.h"
#include "seams/host.h"
#include "settings/ini_file.h"

namespace kalore {
namespace {

// Far more than three paths and a word: anything bigger is not our file.
constexpr std::size_t kSettingsCapBytes = 1024 * 1024;

// Anything of that name counts, a folder too: it is a file that can't be read.
bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool TooBig(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return !error && size > kSettingsCapBytes;
}

} // namespace

std::string SettingsFileName(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\kalore.ini");
}

SettingsFile::SettingsFile(std::string programFolder, Host& host, const Clock& clock)
    : fileName_(SettingsFileName(programFolder)),
      fallbackOutput_(programFolder + "RECORDS" + PathSeparator()),
      formerFallbackOutput_(programFolder + "record.avi"), host_(host), clock_(clock) {}

bool SettingsFile::Read(IniFile& ini, bool& unreadable) {
    unreadable = false;
    std::string bytes;
    if (!ReadWholeFile(fileName_, bytes, kSettingsCapBytes)) {
        unreadable = true;
        return false;
    }
    if (!ini.Parse(bytes)) {
        damaged_ = true;
        KeepDamagedCopy(bytes, ini.Damage());
        return false;
    }
    return true;
}

void SettingsFile::KeepDamagedCopy(const std::string& bytes, const std::string& damage) {
    const std::string copy = fileName_ + AsideSuffix("damaged", clock_.Now());
    const FileResult kept = WriteFilesAtomically({{copy, bytes}});
    PruneAsideCopies(fileName_, "damaged", kAsideCopiesKept);
    const std::string told =
        "Le fichier de réglages " + fileName_ + " est illisible (" + damage + ").\r" +
        (kept.ok() ? "Une copie a été gardée : " + copy
                   : "Impossible d'en garder une copie (" + kept.error + ").") +
        "\rKalore ne le modifiera pas avant son prochain démarrage.";
    host_.ShowMessage(told);
}

void SettingsFile::KeepInterruptedSave() {
    // A save cut short never got to its rename: the file in place is whole, the
    // temporary may not be, so it is kept aside rather than finished.
    const InterruptedWrite left = FinishInterruptedWrite(
        {fileName_}, [](std::string_view) { return false; },
        AsideSuffix("interrupted", clock_.Now()));
    for (const std::string& copy : left.keptAside) {
        host_.AppendLog("Réglages : enregistrement interrompu mis de côté : " + copy);
    }
    if (!left.keptAside.empty()) {
        PruneAsideCopies(fileName_, "interrupted", kAsideCopiesKept);
    }
}

void SettingsFile::LoadSettings(SettingsValues& values) {
    if (!Exists(fileName_) && !Exists(fileName_ + ".tmp")) {
        values.outputPath = fallbackOutput_;
        return;
    }
    KeepInterruptedSave();
    if (!Exists(fileName_)) {
        values.outputPath = fallbackOutput_;
        return;
    }
    IniFile ini;
    bool unreadable = false;
    if (!Read(ini, unreadable)) {
        if (unreadable && TooBig(fileName_)) {
            // It was found: saying otherwise would send the user looking for it.
            host_.ShowMessage("Le fichier de réglages " + fileName_ +
                              " est trop gros pour être lu (plus de " +
                              std::to_string(kSettingsCapBytes / (1024 * 1024)) + " Mo).");
        } else if (unreadable) {
            host_.ShowMessage("Fichier d'initialisation introuvable! ");
        } else {
            values.outputPath = fallbackOutput_;
        }
        return;
    }
    const std::string outputPath = ini.Value("Visual", "lastRecordPath");
    const std::string playerPath = ini.Value("Visual", "vlcpath");
    // The former default was saved at every start: it is taken for the default still.
    values.outputPath =
        outputPath.empty() || outputPath == formerFallbackOutput_ ? fallbackOutput_ : outputPath;
    if (!playerPath.empty()) {
        values.playerPath = playerPath;
    }
    // Only a choice the user made turns autostart off: anything else starts with the
    // session, as the first start does.
    values.autostart = ini.Value("Visual", "autostart") != "0";
    values.recordFormat = ini.Value("Visual", "recordFormat");
    values.lastChannel = ini.Value("Visual", "lastChannel");
}

std::string SettingsFile::StoredPlayerPath() const {
    std::string bytes;
    IniFile ini;
    if (damaged_ || !ReadWholeFile(fileName_, bytes, kSettingsCapBytes) || !ini.Parse(bytes)) {
        return {};
    }
    return ini.Value("Visual", "vlcpath");
}

void SettingsFile::SaveSettings(const SettingsValues& values) {
    if (damaged_ || !Exists(fileName_)) {
        return;
    }
    IniFile ini;
    bool unreadable = false;
    bool ok = Read(ini, unreadable);
    if (!ok && !unreadable) {
        return; // damaged since it was loaded: told and kept aside, never written over
    }
    if (ok) {
        ini.SetValue("Visual", "lastRecordPath", values.outputPath);
        ini.SetValue("Connexion", "internetProvider", values.provider);
        if (!values.playerPath.empty()) {
            ini.SetValue("Visual", "vlcpath", values.playerPath);
        }
        // A choice left at its default adds no line, so an older file stays as it was
        // until the user makes one; a line that is there follows the choice.
        const auto keep = [&ini](const char* key, const std::string& value, bool byDefault) {
            if (!byDefault || ini.Has("Visual", key)) {
                ini.SetValue("Visual", key, value);
            }
        };
        keep("autostart", values.autostart ? "1" : "0", values.autostart);
        keep("recordFormat", values.recordFormat, values.recordFormat.empty());
        // A start without the provider's list has no channel to keep: the one kept
        // stays for the next start that has it.
        if (!values.lastChannel.empty()) {
            ini.SetValue("Visual", "lastChannel", values.lastChannel);
        }
        ok = ini.Save(fileName_).ok();
    }
    if (!ok) {
        host_.ShowMessage("Erreur d'enregistrement dans INI : **" + fileName_ + "**");
    }
}

} // namespace kalore

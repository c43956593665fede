// The sound level kept in the settings file, beside the three values of the window.
#include <algorithm>
#include <charconv>

#include "platform/atomic_file.h"
#include "seams/host.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"

namespace kalore {
namespace {

constexpr int kVolumeStep = 5;

// A whole number within 0 and kMaxVolume, or kDefaultVolume: a hand-edited file may
// hold anything there.
int ParseVolume(const std::string& text) {
    int level = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, level);
    if (text.empty() || error != std::errc() || stop != end || level < 0 || level > kMaxVolume) {
        return kDefaultVolume;
    }
    return level;
}

} // namespace

int StepVolume(int level, int steps) {
    return std::clamp(level + steps * kVolumeStep, 0, kMaxVolume);
}

int SettingsFile::LoadVolume() {
    IniFile ini;
    bool unreadable = false;
    if (damaged_ || !FileExists(fileName_) || !Read(ini, unreadable)) {
        return kDefaultVolume;
    }
    return ParseVolume(ini.Value("Visual", "volume"));
}

bool SettingsFile::SaveVolume(int level) {
    // As the other values: never a file the program did not find, nor a damaged one.
    if (damaged_ || !FileExists(fileName_)) {
        return false;
    }
    IniFile ini;
    bool unreadable = false;
    bool ok = Read(ini, unreadable);
    if (!ok && !unreadable) {
        return false;
    }
    if (ok) {
        ini.SetValue("Visual", "volume", std::to_string(std::clamp(level, 0, kMaxVolume)));
        ok = ini.Save(fileName_).ok();
    }
    if (!ok) {
        host_.ShowMessage("Erreur d'enregistrement dans INI : **" + fileName_ + "**");
    }
    return ok;
}

} // namespace kalore

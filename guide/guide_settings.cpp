#include "guide/guide_settings.h"

#include <charconv>

#include "seams/no_case.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"

namespace kalore {
namespace {

void ReadNumber(const IniFile& ini, const char* key, int low, int high, int& value,
                std::vector<std::string>& warnings) {
    const std::string text = ini.Value("Guide", key);
    if (text.empty()) {
        return;
    }
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < low || number > high) {
        warnings.push_back("Guide TV : valeur " + std::string(key) + "=" + text + " ignorée (de " +
                           std::to_string(low) + " à " + std::to_string(high) + "), " +
                           std::to_string(value) + " est gardé");
        return;
    }
    value = number;
}

} // namespace

GuideSettingsRead LoadGuideSettings(const std::string& programFolder) {
    GuideSettingsRead read;
    IniFile ini;
    if (!ini.Load(SettingsFileName(programFolder))) {
        return read;
    }
    GuideSettings& s = read.settings;
    s.source = ini.Value("Guide", "source");
    ReadNumber(ini, "refreshHours", 1, 720, s.refreshHours, read.warnings);
    ReadNumber(ini, "paddingBefore", 0, 240, s.paddingBeforeMinutes, read.warnings);
    ReadNumber(ini, "paddingAfter", 0, 240, s.paddingAfterMinutes, read.warnings);
    return read;
}

std::string LocalSourcePath(const std::string& source, const std::string& programFolder) {
    if (StartsWithNoCase(source, "http://") || StartsWithNoCase(source, "https://")) {
        return {};
    }
    if (StartsWithNoCase(source, "file://")) {
        return source.substr(7);
    }
    return !source.empty() && source.front() == '/' ? source : programFolder + source;
}

} // namespace kalore

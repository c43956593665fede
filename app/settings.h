#pragma once

#include <string>

namespace kalore {

class Host;

// The three values the settings file keeps between runs.
struct SettingsValues {
    std::string outputPath; // the text of the record-now path box
    std::string playerPath; // full path of the player program, empty while not set
    std::string provider;   // "ORANGE", "FREE" or empty
};

// Full name of the settings file of a program folder.
std::string SettingsFileName(const std::string& programFolder);

// Fills the output path and the player path from B/kalore.ini. A missing file loads
// nothing; a file that can't be read shows "Fichier d'initialisation introuvable! ".
void LoadSettings(const std::string& programFolder, SettingsValues& values, Host& host);

// Writes the three keys into an existing B/kalore.ini, keeping every other section,
// key and comment; never creates the file. A failure shows the write message with
// the full file name.
void SaveSettings(const std::string& programFolder, const SettingsValues& values, Host& host);

} // namespace kalore

#pragma once

#include <string>

namespace kalore {

class Clock;
class Host;
class IniFile;

// The values the settings file keeps between runs: the three of the first version,
// then the window's choices, keys that a file from before them lacks.
struct SettingsValues {
    std::string outputPath;     // the text of the record-now path box
    std::string playerPath;     // full path of the player program, empty while not set
    std::string provider;       // "ORANGE", "FREE" or empty
    bool autostart = true;      // `autostart`: without it, Kalore starts with the session
    std::string recordFormat{}; // `recordFormat`: empty for the format box's first
    std::string lastChannel{};  // `lastChannel`: empty, the channel box's first
};

// The live view's sound level, in percent of the stream's own.
constexpr int kDefaultVolume = 100;
constexpr int kMaxVolume = 100;
// The level after `steps` steps of 5 up (positive) or down, kept within 0 and kMaxVolume.
int StepVolume(int level, int steps);

// Full name of the settings file of a program folder.
std::string SettingsFileName(const std::string& programFolder);

// B/kalore.ini, which the program never creates: while it is missing nothing is
// loaded or saved. A file that can't be read whole is copied aside, the user is told,
// and it is never written over for the rest of the run.
class SettingsFile {
public:
    SettingsFile(std::string programFolder, Host& host, const Clock& clock);

    // Fills the output path, the player path and the window's choices. A file that
    // can't be opened shows
    // "Fichier d'initialisation introuvable! ". A save that a crash cut short left
    // its temporary file: it is kept aside (logged).
    void LoadSettings(SettingsValues& values);
    // Writes the keys; only their lines change, and the file keeps its owner and mode.
    // An empty player path or channel leaves the stored one as it is. A failure shows
    // the write message with the full file name.
    void SaveSettings(const SettingsValues& values);

    // The player path the file holds, read without telling anything: for a recording
    // due before the settings are loaded. Empty when none can be read.
    std::string StoredPlayerPath() const;

    // The live view's sound level, `volume` of [Visual] (settings_volume.cpp): the
    // stored level, or kDefaultVolume when the file or the key is missing or odd.
    int LoadVolume();
    // Writes that line alone; false (and the write message) when it could not.
    bool SaveVolume(int level);

private:
    // The file as read; false when it can't be, or is damaged (then told, kept aside).
    bool Read(IniFile& ini, bool& unreadable);
    void KeepDamagedCopy(const std::string& bytes, const std::string& damage);
    void KeepInterruptedSave();

    std::string fileName_;
    // Record now's path when none is set: the recordings folder, where each file is
    // named after its channel and time (once "record.avi" beside the program).
    std::string fallbackOutput_;
    std::string formerFallbackOutput_;
    Host& host_;
    const Clock& clock_;
    bool damaged_ = false;
};

} // namespace kalore

#pragma once

#include <optional>
#include <string>

namespace kalore {

// Starting Kalore with the desktop session: an XDG autostart entry "kalore.desktop"
// in the user's autostart folder, whose Exec is the quoted program folder + "kalore".
//
// The autostart folder is opened, never created. A folder that is missing or can't be
// written is left alone without a word, as a settings key that doesn't open would be.

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart; empty when neither is known.
std::string DefaultAutostartFolder();

// The entry's text for a program folder ending with the path separator.
std::string AutostartEntry(const std::string& programFolder);

// Writes (or overwrites) the entry. Returns the message box text for an error
// other than an unusable folder; nullopt when there is nothing to tell the user.
std::optional<std::string> RegisterAutostart(const std::string& autostartFolder,
                                             const std::string& programFolder);
// The same for the running program's folder and the user's autostart folder.
std::optional<std::string> RegisterAutostart();

// Removes the entry; every failure is ignored.
void UnregisterAutostart(const std::string& autostartFolder);
void UnregisterAutostart();

// The five-line message shown when the system configuration can't be changed;
// detail is the error's own text.
std::string SystemConfigurationErrorMessage(const std::string& detail);

} // namespace kalore

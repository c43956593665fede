#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kalore {

// Starting Kalore with the desktop session: an XDG autostart entry "kalore.desktop"
// in the user's autostart folder, whose Exec runs the given command: the program
// folder's "kalore" for a copy run from its own folder, the launcher for an installed one.
//
// The autostart folder is opened, never created. A folder that is missing or can't be
// written is left alone without a word, as a settings key that doesn't open would be.

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart; empty when no home is known.
std::string DefaultAutostartFolder();

// The entry's text for a command: the program, then its arguments.
std::string AutostartEntry(const std::vector<std::string>& command);

// Writes (or overwrites) the entry, making the folder first when it is missing.
// Returns the message box text for an error other than an unusable folder;
// nullopt when there is nothing to tell the user.
std::optional<std::string> RegisterAutostart(const std::string& autostartFolder,
                                             const std::vector<std::string>& command);

// Removes the entry; every failure is ignored.
void UnregisterAutostart(const std::string& autostartFolder);
void UnregisterAutostart();

// The five-line message shown when the system configuration can't be changed;
// detail is the error's own text.
std::string SystemConfigurationErrorMessage(const std::string& detail);

} // namespace kalore

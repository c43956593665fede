#pragma once

#include <string>
#include <vector>

namespace kalore {

// What Kalore's command line may say. Without options Kalore keeps everything beside
// its executable, as a copy run from its own folder does. An installed copy is
// read-only: its launcher gives each user a program folder of their own, and names
// itself, so that starting with the session goes through the launcher too.
struct StartOptions {
    std::string programFolder; // absolute, ending with the separator; empty: the executable's
    std::string launcher;      // absolute; empty: Kalore was started directly
    bool help = false;
    bool version = false;
    std::string error; // what was not understood, for the terminal; empty when all was
};

StartOptions ParseStartOptions(const std::vector<std::string>& arguments);

// The text shown for --help and after a mistake.
std::string StartUsage();
// The text shown for --version, from the program's version number (11: "1.1").
std::string VersionAnswer(int programVersion);

// What the autostart entry runs to start Kalore again the way it was started now: the
// launcher, else this executable with the same program folder. Empty for a copy run
// from its own folder, whose "kalore" is started then.
std::vector<std::string> AutostartCommand(const StartOptions& options,
                                          const std::string& executablePath);

} // namespace kalore

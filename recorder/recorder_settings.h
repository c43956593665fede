#pragma once

#include <functional>
#include <string>

namespace kalore {

// What the recorders need from the window and the configuration. The getters
// and the row marking are called on the main thread only.
struct RecorderSettings {
    std::function<std::string()> playerPath;
    std::function<std::string()> mainCaption;
    std::string programFolder; // ends with the path separator
    std::string makerAddress;  // ends the process error lines
    std::string makerMemoryAddress;
    // Writes "Terminé" into every schedule row reading "Enregistrement..".
    std::function<void()> markFinishedRows;
};

} // namespace kalore

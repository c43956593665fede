#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/file_space.h"
#include "platform/tcp_probe.h"
#include "recorder/media_probe.h"
#include "recorder/source_watch.h"

namespace kalore {

class Relay;
class SleepLock;

// What the recorders need from the window, the schedule and the disk. The
// functions are called on the main thread only.
struct RecorderSettings {
    std::function<std::string()> playerPath;
    std::function<std::string()> mainCaption;
    std::string programFolder; // ends with the path separator
    std::string makerAddress;  // ends the process error lines
    std::string makerMemoryAddress;
    // Writes a programmed recording's outcome ("Terminé", "Incomplet", "Échec")
    // into its own schedule entry, if the entry is still there.
    std::function<void(std::uint64_t entryId, const std::string& status)> setEntryStatus;
    // How the recordings look at their files once a second; tests may replace them.
    std::function<std::optional<std::uint64_t>(const std::string&)> fileSize = FileSizeOf;
    std::function<std::optional<std::uint64_t>(const std::string&)> freeSpace = FreeSpaceFor;
    std::function<bool(const std::string&)> diskWritable = FolderAcceptsWrites;
    // How a recording waiting to try its TCP source again looks whether it is back.
    ListenerProbe probeListener = ProbeTcpListener;
    // Serves the rtsp:// channels, which vlc can't open, to the recorder child;
    // used from the recorder threads. None: addresses go to vlc as they are.
    Relay* relay = nullptr;
    // Held while any recording runs, so the machine doesn't sleep mid-film; none: the
    // machine sleeps as it likes.
    SleepLock* sleepLock = nullptr;
    // How a recording looks inside its files once it has ended.
    std::function<std::optional<MediaContents>(const std::string&)> probeFile = ProbeMediaFile;
};

} // namespace kalore

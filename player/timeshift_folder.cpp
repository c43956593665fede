#include "player/timeshift_folder.h"

#include "platform/own_files.h"
#include "platform/private_folder.h"

namespace kalore {

std::string TimeshiftFolder() {
    return PrivateTemporaryFolder("kalore-timeshift");
}

void EmptyTimeshiftFolder() {
    const std::string folder = TimeshiftFolder();
    if (folder.empty()) {
        return;
    }
    // Only libVLC's own files ("vlc-timeshift.XXXXXX"): nothing else is Kalore's to delete.
    for (const std::string& name : FilesIn(folder)) {
        if (name.starts_with("vlc-timeshift.")) {
            RemoveFileIn(folder, name);
        }
    }
}

} // namespace kalore

#include "app/web/free_playlist.h"

#include "app/web/download.h"
#include "platform/program_folder.h"

namespace kalore {

FileResult DownloadFreePlaylist(const WebEnvironment& web, const WebConfig& config,
                                const std::string& programFolder) {
    return DownloadReplacingFile(web, config.box + "/freeboxtv/playlist.m3u",
                                 programFolder + NativeRelative("B\\listeTVFreeforKalore.txt"),
                                 kPlaylistCapBytes);
}

} // namespace kalore

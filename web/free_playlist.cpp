#include "web/free_playlist.h"

#include "channels/channel_file.h"
#include "web/download.h"

namespace kalore {

FileResult DownloadFreePlaylist(const WebEnvironment& web, const WebConfig& config,
                                const std::string& programFolder) {
    return DownloadReplacingFile(web, config.box + "/freeboxtv/playlist.m3u",
                                 FreeChannelFilePath(programFolder),
                                 web.Request(web.timeouts.playlist, kChannelFileCapBytes));
}

} // namespace kalore

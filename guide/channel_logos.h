#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "web/request_options.h"

namespace kalore {

// A logo is a small picture: anything larger is refused, so a broken or hostile
// server can't fill the disk through a guide's hundreds of channels.
inline constexpr std::size_t kLogoCapBytes = 256 * 1024;
// The logos fetched at most per guide update.
inline constexpr std::size_t kMaxLogos = 1000;

// A channel of the channel box whose guide channel names a logo.
struct ChannelLogoSource {
    std::string guideId;
    std::string url;
};

// The logos' folder, B/logos.
std::string LogoFolder(const std::string& programFolder);
// Where the logo of a guide channel is kept: one file per channel, named from its
// id by a hash, since ids are the guide's text and no safe file name.
std::string LogoFileName(const std::string& folder, const std::string& guideId);

// A progressive JPEG is decoded once per scan: real ones have about ten, and one of
// a few hundred kilobytes can hold thousands, seconds of work each time it is shown.
inline constexpr int kMaxJpegScans = 100;

// Why these bytes are no logo the windows may decode; empty for a PNG, GIF or WebP
// picture, or a JPEG of at most kMaxJpegScans scans whose segments can be followed.
std::string LogoRefusal(std::string_view bytes);

struct LogoFetchResult {
    std::size_t fetched = 0;
    std::size_t failed = 0;   // missing, refused or unreachable: the last good one stays
    std::string firstFailure; // "<address> : <why>"
};

// Fetches every logo anew, one after the other, with the guide's time-outs; each
// replaces the channel's file only once it is whole and a picture. A logo that
// fails keeps the file of the last fetch; files of channels no longer named are
// removed, so the folder holds only what the guide in use names. `stop` ends the
// fetch at the next logo. A fetch that went through every logo notes `guideVersion`
// in the folder, so one cut short (Kalore closed midway) is known at the next start.
LogoFetchResult FetchChannelLogos(const std::vector<ChannelLogoSource>& logos,
                                  const std::string& folder, const std::string& guideVersion,
                                  const WebTimeouts& timeouts, const std::atomic<bool>& stop);

// The guide version of the last fetch that went through every logo; empty when none.
std::string LogosFetchedFor(const std::string& folder);

} // namespace kalore

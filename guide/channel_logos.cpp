#include "guide/channel_logos.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/own_files.h"
#include "platform/program_folder.h"
#include "web/http_transfer.h"

namespace kalore {
namespace {

// One logo may take this long in all; the read time-out still ends a server that
// stops sending.
constexpr std::chrono::milliseconds kLogoTransferLimit{30000};
constexpr const char* kLogoSuffix = ".logo";
constexpr const char* kFetchedFor = "fetched-for";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// 64-bit FNV-1a: stable from one run to the next, unlike std::hash.
std::string HashText(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// The logo's bytes, or why there are none.
std::string Fetch(const ChannelLogoSource& logo, const WebTimeouts& timeouts,
                  const std::atomic<bool>& stop, std::string& bytes) {
    std::ostringstream body;
    RequestOptions options;
    options.connect = timeouts.connect;
    options.read = timeouts.read;
    options.total = kLogoTransferLimit;
    options.maxBodyBytes = kLogoCapBytes;
    options.onProgress = [&](std::size_t) {
        return !stop;
    };
    const TransferResult result = HttpTransfer(logo.url, body, options);
    if (!result.ok()) {
        return result.error;
    }
    bytes = std::move(body).str();
    return LogoRefusal(bytes);
}

// A name Kalore gives in the folder: a logo, the note of the last fetch, or the
// temporary of either that a crash left.
bool IsOwnName(std::string_view name) {
    if (name.ends_with(".tmp")) {
        name.remove_suffix(4);
    }
    if (name == kFetchedFor) {
        return true;
    }
    const std::string_view suffix = kLogoSuffix;
    return name.size() == 16 + suffix.size() && name.ends_with(suffix) &&
           name.find_first_not_of("0123456789abcdef") == 16;
}

// Logos no longer named go, and writes cut short by a crash; anything else put
// there stays.
void RemoveUnnamed(const std::string& folder, const std::set<std::string>& named) {
    for (const std::string& name : FilesIn(folder)) {
        if (IsOwnName(name) && named.count(name) == 0) {
            RemoveFileIn(folder, name);
        }
    }
}

} // namespace

std::string LogoFolder(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\logos");
}

std::string LogoFileName(const std::string& folder, const std::string& guideId) {
    return (std::filesystem::path(folder) / (HashText(guideId) + kLogoSuffix)).string();
}

std::string LogoRefusal(std::string_view bytes) {
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n") || StartsWith(bytes, "GIF87a") ||
        StartsWith(bytes, "GIF89a") ||
        (StartsWith(bytes, "RIFF") && bytes.size() >= 12 && bytes.substr(8, 4) == "WEBP")) {
        return {};
    }
    if (!StartsWith(bytes, "\xff\xd8\xff")) {
        return "pas une image";
    }
    const auto byte = [&bytes](std::size_t at) {
        return static_cast<unsigned char>(bytes[at]);
    };
    int scans = 0;
    // Marker by marker after the start of image; each scan's coded data runs to the
    // next marker that isn't a stuffed 0xFF or a restart.
    for (std::size_t at = 2; at + 1 < bytes.size();) {
        if (byte(at) != 0xFF) {
            return "image JPEG illisible";
        }
        const unsigned char marker = byte(at + 1);
        if (marker == 0xFF) {
            ++at; // fill byte
            continue;
        }
        if (marker == 0xD9) {
            break; // end of image
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (at + 3 >= bytes.size()) {
            break; // cut short: the decoder ends the picture there
        }
        const std::size_t length = static_cast<std::size_t>(byte(at + 2)) << 8 | byte(at + 3);
        if (length < 2) {
            return "image JPEG illisible";
        }
        at += 2 + length;
        if (marker != 0xDA) {
            continue;
        }
        if (++scans > kMaxJpegScans) {
            return "image JPEG de plus de " + std::to_string(kMaxJpegScans) +
                   " passes, refusée par sécurité";
        }
        while (at + 1 < bytes.size() && (byte(at) != 0xFF || byte(at + 1) == 0x00 ||
                                         (byte(at + 1) >= 0xD0 && byte(at + 1) <= 0xD7))) {
            ++at;
        }
    }
    return {};
}

std::string LogosFetchedFor(const std::string& folder) {
    std::string version;
    ReadWholeFile((std::filesystem::path(folder) / kFetchedFor).string(), version, 64);
    return version;
}

LogoFetchResult FetchChannelLogos(const std::vector<ChannelLogoSource>& logos,
                                  const std::string& folder, const std::string& guideVersion,
                                  const WebTimeouts& timeouts, const std::atomic<bool>& stop) {
    LogoFetchResult result;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // Kalore writes and tidies only a folder of its own: a link to another one is
    // never followed.
    if (!IsOwnFolder(folder)) {
        result.failed = std::min(logos.size(), kMaxLogos);
        result.firstFailure = folder + " : pas un dossier de Kalore (un lien, ou le dossier d'un "
                                       "autre utilisateur), logos non gardés";
        return result;
    }
    std::set<std::string> named{kFetchedFor};
    for (std::size_t i = 0; i < logos.size() && i < kMaxLogos && !stop; ++i) {
        const std::string file = LogoFileName(folder, logos[i].guideId);
        if (!named.insert(std::filesystem::path(file).filename().string()).second) {
            continue; // a channel the guide declares twice
        }
        std::string bytes;
        std::string why = Fetch(logos[i], timeouts, stop, bytes);
        if (why.empty()) {
            why = WriteFilesAtomically({{file, bytes}}).error;
        }
        if (why.empty()) {
            ++result.fetched;
        } else if (!stop) {
            ++result.failed;
            if (result.firstFailure.empty()) {
                result.firstFailure = logos[i].url + " : " + why;
            }
        }
    }
    // A fetch cut short doesn't know which files are still named.
    if (!stop) {
        RemoveUnnamed(folder, named);
        WriteFilesAtomically(
            {{(std::filesystem::path(folder) / kFetchedFor).string(), guideVersion}});
    }
    return result;
}

} // namespace kalore

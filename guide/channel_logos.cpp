#include "guide/channel_logos.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/atomic_file.h"
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
    return LooksLikePicture(bytes) ? std::string() : "pas une image";
}

// The folder is Kalore's own: whatever isn't a named logo goes, a write cut
// short by a crash included.
void RemoveUnnamed(const std::string& folder, const std::set<std::string>& named) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (named.count(entry.path().filename().string()) == 0) {
            std::filesystem::remove(entry.path(), error);
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

bool LooksLikePicture(std::string_view bytes) {
    return StartsWith(bytes, "\x89PNG\r\n\x1a\n") || StartsWith(bytes, "\xff\xd8\xff") ||
           StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a") ||
           (StartsWith(bytes, "RIFF") && bytes.substr(8, 4) == "WEBP");
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

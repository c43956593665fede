#include "guide/guide_download.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "web/http_transfer.h"

namespace kalore {
namespace {

// How often the byte count is passed on.
constexpr std::size_t kProgressEveryBytes = 1024 * 1024;
// A big guide on a slow line takes minutes; the read time-out still ends a server
// that stops sending, and closing Kalore ends the transfer at once.
constexpr std::chrono::milliseconds kGuideDownloadLimit = std::chrono::hours(2);

} // namespace

std::string DownloadGuide(const std::string& url, const std::string& fileName,
                          const WebTimeouts& timeouts,
                          const std::function<void(std::size_t)>& onBytes,
                          const std::atomic<bool>& stop) {
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return "impossible de créer " + fileName + " : " + std::strerror(errno);
    }
    std::size_t reported = 0;
    RequestOptions options;
    options.connect = timeouts.connect;
    options.read = timeouts.read;
    options.total = kGuideDownloadLimit;
    options.maxBodyBytes = kGuideCapBytes;
    options.onProgress = [&](std::size_t received) {
        if (onBytes && received >= reported + kProgressEveryBytes) {
            reported = received;
            onBytes(received);
        }
        return !stop;
    };
    TransferResult result = HttpTransfer(url, file, options);
    file.close();
    if (result.ok() && file.fail()) {
        result.error = "écriture de " + fileName + " impossible";
    }
    if (!result.ok()) {
        std::remove(fileName.c_str());
        return stop ? "téléchargement interrompu" : "téléchargement impossible : " + result.error;
    }
    return {};
}

} // namespace kalore

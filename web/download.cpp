#include "web/download.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>

#include "seams/host.h"
#include "web/http_transfer.h"

namespace kalore {
namespace {

void ProcessPendingMessages(const WebEnvironment& web) {
    if (web.processPendingMessages) {
        web.processPendingMessages();
    }
}

std::string CannotCreate(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

// Runs the download; an error that still escapes it is reported as AAA04.
bool GuardedDownload(const WebEnvironment& web, const std::string& url, std::ostream& file,
                     const RequestOptions& request) {
    try {
        return DownloadToStream(web, url, file, request);
    } catch (const std::exception& e) {
        web.host.ShowMessage(std::string("Unknown error AAA04 : ") + e.what());
    }
    return false;
}

} // namespace

bool DownloadToStream(const WebEnvironment& web, const std::string& url, std::ostream& stream,
                      const RequestOptions& request) {
    ProcessPendingMessages(web);
    const TransferResult result = HttpTransfer(url, stream, request);
    if (!result.ok()) {
        web.host.ShowMessage("Unknown error AAA03 : " + result.error);
    }
    return result.ok();
}

FileResult DownloadToFile(const WebEnvironment& web, const std::string& url,
                          const std::string& fileName, const RequestOptions& request) {
    ProcessPendingMessages(web);
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return {CannotCreate(fileName)};
    }
    GuardedDownload(web, url, file, request);
    return {};
}

FileResult DownloadReplacingFile(const WebEnvironment& web, const std::string& url,
                                 const std::string& fileName, const RequestOptions& request) {
    ProcessPendingMessages(web);
    const std::string temporary = fileName + ".tmp";
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file.is_open()) {
        return {CannotCreate(temporary)};
    }
    bool complete = GuardedDownload(web, url, file, request);
    file.close();
    if (complete && file.fail()) {
        web.host.ShowMessage("Unknown error AAA04 : " + temporary + ": write failed");
        complete = false;
    }
    if (!complete && FileExists(fileName)) {
        std::remove(temporary.c_str());
        return {};
    }
    if (!complete) {
        // Nothing to keep: an empty file reads as an empty list.
        std::ofstream(temporary, std::ios::binary | std::ios::trunc);
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        const FileResult failed{CannotCreate(fileName)};
        std::remove(temporary.c_str());
        return failed;
    }
    return {};
}

} // namespace kalore

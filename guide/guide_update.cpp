#include "guide/guide_update.h"

#include <cstdio>
#include <exception>

#include "guide/guide_download.h"

namespace kalore {

namespace {

GuideImportResult Update(const GuideUpdateJob& job, const GuideUpdateProgress& progress,
                         const std::atomic<bool>& stop) {
    std::string file = job.localPath;
    if (file.empty()) {
        const std::string failed = DownloadGuide(
            job.source, job.downloadFile, job.timeouts,
            [&](std::size_t bytes) { progress(true, bytes); }, stop);
        if (!failed.empty()) {
            return {failed};
        }
        file = job.downloadFile;
    }
    progress(false, 0);
    GuideImportResult result = ImportGuide(
        file, *job.matcher, job.source, job.now, job.storeFile,
        [&](std::uint64_t read) { progress(false, read); }, stop);
    if (file == job.downloadFile) {
        std::remove(file.c_str());
    }
    if (!result.ok()) {
        std::remove(job.storeFile.c_str());
    }
    return result;
}

} // namespace

GuideImportResult RunGuideUpdate(const GuideUpdateJob& job, const GuideUpdateProgress& progress,
                                 const std::atomic<bool>& stop) {
    // Nothing may escape a worker thread; what went wrong is the update's failure.
    try {
        return Update(job, progress, stop);
    } catch (const std::exception& e) {
        std::remove(job.downloadFile.c_str());
        std::remove(job.storeFile.c_str());
        return {std::string("erreur inattendue : ") + e.what()};
    }
}

} // namespace kalore

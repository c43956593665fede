#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kalore {

// The outcome of a file operation: empty error text on success.
struct FileResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

// Writes every (path, content) pair through a temporary file beside it, flushed to
// disk, then renames them all into place, so a crash mid-write can't leave a
// truncated file and the files of a set change together. Nothing is renamed unless
// every temporary file was written.
FileResult WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// Reads a whole file; false when it can't be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content);

bool FileExists(const std::string& path);

} // namespace kalore

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kalore {

// The outcome of a file operation: empty error text on success.
struct FileResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

// Writes every (path, content) pair to a temporary file beside it (path + ".tmp"),
// each flushed to disk before the next is begun, then renames them into place in
// the order given, so a crash mid-write can't leave a truncated file. The last
// file's rename completes the set: put the file that readers look at first last.
// Nothing is renamed unless every temporary file was written; once the renames
// have begun, a failure leaves the rest for FinishInterruptedWrite.
FileResult WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// What start-up did with the temporary files of a WriteFilesAtomically that a
// crash or a kill cut short.
struct InterruptedWrite {
    bool completed = false;             // its renames were finished
    std::vector<std::string> keptAside; // temporaries renamed to path + aside suffix
    std::string error;                  // the set may be out of step: tell the user
};

// Looks for the temporary files of an interrupted write of `paths` (in the order
// they were written) and settles them so the set on disk is always one write:
// - the last temporary exists and lastIsWhole accepts its bytes: every temporary
//   was written, so the write is completed (an earlier file may already be in
//   place, and only completing it puts the set back in step);
// - otherwise the write never got to its renames: the files in place are the
//   previous write, whole; its temporaries are kept aside as path + asideSuffix,
//   never deleted.
InterruptedWrite FinishInterruptedWrite(const std::vector<std::string>& paths,
                                        const std::function<bool(std::string_view)>& lastIsWhole,
                                        const std::string& asideSuffix);

// Replaces the content of an existing file the way WriteFilesAtomically does, and
// the file keeps its owner and mode. A file this user may not write, or one without
// any write permission (which stops root too, as the read-only attribute does where
// the format comes from), is an error and stays as it is. Where the replacement
// can't be given the file's owner, or would break a link, the file is rewritten in
// place instead.
FileResult ReplaceFileKeepingOwner(const std::string& path, const std::string& content);

// Copies kept aside are named path + "." + kind + "-" + a date-time stamp that sorts
// as time does ("-YYYYMMDD-HHMMSS"). Deletes all but the `keep` newest of one kind,
// with a database copy's "-wal" and "-shm"; no other name, and nothing through a
// folder that became a link.
void PruneAsideCopies(const std::string& path, const std::string& kind, std::size_t keep);

// Test seam: called after each step of WriteFilesAtomically, so a test can end the
// process there as a crash would. Null in the program.
enum class AtomicWriteStep { TemporaryWritten, Renamed };
using AtomicWriteStepHook = void (*)(AtomicWriteStep step, std::size_t fileIndex);
void SetAtomicWriteStepHook(AtomicWriteStepHook hook);

// Reads a whole file; false when it can't be opened or read, holds more than maxBytes,
// or is no regular file (a FIFO or a device is refused without waiting).
bool ReadWholeFile(const std::string& path, std::string& content,
                   std::size_t maxBytes = static_cast<std::size_t>(-1));
// Reads the first maxBytes of a file at most, opened as ReadWholeFile opens it.
bool ReadFileStart(const std::string& path, std::string& content, std::size_t maxBytes);

bool FileExists(const std::string& path);
// The size of a regular file; nothing when there is none at that path.
std::optional<std::uintmax_t> FileSize(const std::string& path);

} // namespace kalore

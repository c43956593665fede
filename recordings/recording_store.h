#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kalore {

class Clock;
class SqliteDatabase;

// One recording as the list shows it: its first file and the continuations
// after an outage ("name-2.avi", "name-3.avi"...) are one entry.
struct RecordingEntry {
    std::int64_t id = 0;
    std::string channel;        // empty when rebuilt from the files alone
    std::string title;          // the guide's programme, else the channel, else the file's name
    std::int64_t startedAt = 0; // seconds since 1970, UTC
    std::int64_t recordedSeconds = 0; // 0 while it runs or when unknown
    std::uint64_t bytes = 0;
    std::string format;
    std::string outcome; // "Terminé", "Incomplet", "Échec"; empty while it runs or unknown
    std::string reasons;
    bool programmed = false;
    bool running = false;           // started by this run of Kalore and not ended yet
    std::vector<std::string> files; // the first, then the continuations
    bool missing = false; // none of its files is there now: a disk not mounted, a file moved
};

// B/recordings.db: written as each recording starts and ends, read by the window.
// A store that is missing is rebuilt from the recordings folder; one that can't be
// read is kept aside (".damaged-<stamp>", the five newest kept) and rebuilt; one
// made by a newer Kalore is left as it is and not opened. Rows are only ever
// deleted by the user, and ids never come back. Main thread only. Failures throw
// SqliteError (guide/sqlite_database.h), with SQLite's message.
class RecordingStore {
public:
    RecordingStore(const std::string& path, const std::string& recordsFolder, const Clock& clock);
    ~RecordingStore();
    RecordingStore(const RecordingStore&) = delete;
    RecordingStore& operator=(const RecordingStore&) = delete;

    // A damaged store found at the open, now kept at this path; empty when none.
    const std::string& KeptAside() const { return keptAside_; }

    // A recording has started; its id, for Finish. A programmed recording whose
    // file continues one that was cut short (Kalore killed during it) joins it.
    std::int64_t Begin(const RecordingEntry& entry);
    // It has ended: what it wrote and how it went.
    void Finish(std::int64_t id, const std::vector<std::string>& files,
                std::int64_t recordedSeconds, std::uint64_t bytes, const std::string& outcome,
                const std::string& reasons);
    void Forget(std::int64_t id);
    // Newest first; `search` is matched in the channel, title and file names,
    // without regard to case or accents. Empty: every recording.
    std::vector<RecordingEntry> List(std::string_view search = {}) const;
    // Files of the recordings folder the store doesn't know are added (a
    // continuation to its recording); a store file deleted meanwhile is made again.
    void Rebuild();
    // Only a store file deleted meanwhile is made again, from the recordings
    // running and the folder; true when it was. Cheap enough for each look at the list.
    bool ReopenIfLost();

private:
    void Open();
    void KeepAside();
    std::int64_t Insert(const RecordingEntry& entry, std::int64_t id);
    void AddParts(std::int64_t id, const std::vector<std::string>& files);
    std::vector<std::string> Parts(std::int64_t id) const;
    // The recordings that `where` (one value bound) picks, newest first.
    std::vector<RecordingEntry> Select(const std::string& where, const std::string& value) const;
    std::int64_t Continued(const std::string& file) const;
    void AddFoundFiles();

    std::string path_;
    std::string recordsFolder_;
    const Clock& clock_;
    std::string keptAside_;
    std::unique_ptr<SqliteDatabase> db_;
    bool newer_ = false;
    // Given this run, so a store made again never hands out one of them.
    std::int64_t nextId_ = 1;
    // The recordings under way, put back when the store is made again.
    std::map<std::int64_t, RecordingEntry> running_;
};

} // namespace kalore

#include "recordings/recording_store.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "guide/sqlite_database.h"
#include "guide/text_fold.h"
#include "platform/atomic_file.h"
#include "seams/aside_copy.h"
#include "seams/clock.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS recording(
    id INTEGER PRIMARY KEY,
    channel TEXT NOT NULL,
    title TEXT NOT NULL,
    started INTEGER NOT NULL,
    seconds INTEGER NOT NULL DEFAULT 0,
    bytes INTEGER NOT NULL DEFAULT 0,
    format TEXT NOT NULL,
    outcome TEXT NOT NULL DEFAULT '',
    reasons TEXT NOT NULL DEFAULT '',
    programmed INTEGER NOT NULL,
    running INTEGER NOT NULL DEFAULT 0,
    folded TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS recording_started ON recording(started DESC, id DESC);
CREATE TABLE IF NOT EXISTS part(
    recording INTEGER NOT NULL REFERENCES recording(id) ON DELETE CASCADE,
    number INTEGER NOT NULL,
    path TEXT NOT NULL,
    PRIMARY KEY(recording, number));
CREATE INDEX IF NOT EXISTS part_path ON part(path);
CREATE TABLE IF NOT EXISTS next_id(value INTEGER NOT NULL);
)";

// Paths as the store keeps and compares them: "a//RECORDS/./b.avi" is "a/RECORDS/b.avi".
std::string Normal(const std::string& path) {
    return fs::path(path).lexically_normal().string();
}

std::string Folded(const RecordingEntry& entry, const std::vector<std::string>& files) {
    std::string text = entry.channel + '\n' + entry.title;
    for (const auto& file : files) {
        text += '\n' + fs::path(file).filename().string();
    }
    return FoldText(text);
}

// A LIKE pattern that finds `text` anywhere, its own % and _ taken literally.
std::string ContainsPattern(const std::string& text) {
    std::string pattern = "%";
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern + "%";
}

std::int64_t ModifiedAt(const fs::path& file) {
    std::error_code error;
    const auto written = fs::last_write_time(file, error);
    if (error) {
        return 0;
    }
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

// For "name-2.avi": "name.avi" and 2. Nothing for a name that continues nothing.
std::optional<std::pair<std::string, int>> ContinuedFile(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t end = dot == std::string::npos || dot == 0 ? name.size() : dot;
    const std::size_t dash = name.rfind('-', end);
    if (dash == std::string::npos || dash == 0 || end - dash < 2 || end - dash > 7) {
        return std::nullopt;
    }
    int number = 0;
    for (std::size_t i = dash + 1; i < end; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (name[i] - '0');
    }
    if (number < 2) {
        return std::nullopt;
    }
    return std::pair{name.substr(0, dash) + name.substr(end), number};
}

// The recordings folder's files, each continuation ("name-2.avi") after the file
// it continues, when that file is there.
std::map<std::string, std::vector<std::string>> FilesGrouped(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        const std::string name = item.path().filename().string();
        if (!name.starts_with('.') && item.is_regular_file(error)) {
            names.insert(name);
        }
    }
    std::map<std::string, std::vector<std::pair<int, std::string>>> numbered;
    for (const auto& name : names) {
        if (const auto first = ContinuedFile(name); first && names.contains(first->first)) {
            numbered[first->first].emplace_back(first->second, name);
        } else {
            numbered[name];
        }
    }
    std::map<std::string, std::vector<std::string>> groups;
    const fs::path base = fs::path(folder).lexically_normal();
    for (auto& [first, parts] : numbered) {
        std::sort(parts.begin(), parts.end());
        auto& files = groups[first];
        files.push_back((base / first).string());
        for (const auto& part : parts) {
            files.push_back((base / part.second).string());
        }
    }
    return groups;
}

bool AnyThere(const std::vector<std::string>& files) {
    return std::any_of(files.begin(), files.end(), [](const std::string& file) {
        std::error_code error;
        return fs::exists(file, error);
    });
}

std::uint64_t SizeOf(const std::vector<std::string>& files) {
    std::uint64_t bytes = 0;
    for (const auto& file : files) {
        std::error_code error;
        const auto size = fs::file_size(file, error);
        bytes += error ? 0 : size;
    }
    return bytes;
}

} // namespace

RecordingStore::RecordingStore(const std::string& path, const std::string& recordsFolder,
                               const Clock& clock)
    : path_(path), recordsFolder_(recordsFolder), clock_(clock) {
    const bool existed = fs::exists(path_);
    try {
        Open();
    } catch (const SqliteError&) {
        if (!existed || newer_) {
            throw; // nothing to keep aside, or a store that isn't ours to judge
        }
        KeepAside();
        Open();
    }
    if (!existed || !keptAside_.empty()) {
        AddFoundFiles();
    }
}

RecordingStore::~RecordingStore() = default;

void RecordingStore::KeepAside() {
    db_.reset();
    keptAside_ = path_ + AsideSuffix("damaged", clock_.Now());
    std::error_code error;
    fs::rename(path_ + "-wal", keptAside_ + "-wal", error);
    fs::remove(path_ + "-shm", error);
    fs::rename(path_, keptAside_, error);
    if (error) {
        throw SqliteError(path_ + " : illisible, et ne peut être mis de côté : " + error.message());
    }
    PruneAsideCopies(path_, "damaged", kAsideCopiesKept);
}

void RecordingStore::Open() {
    db_ = std::make_unique<SqliteDatabase>(path_, SqliteDatabase::Mode::CreateAnew);
    {
        auto version = db_->Prepare("PRAGMA user_version");
        version.Step();
        const std::int64_t found = version.Int(0);
        if (found > kSchemaVersion) {
            newer_ = true;
            db_.reset();
            throw SqliteError(path_ + " : faite par une version plus récente de Kalore (version " +
                              std::to_string(found) + "), laissée telle quelle");
        }
        auto check = db_->Prepare("PRAGMA quick_check");
        if (!check.Step() || check.Text(0) != "ok") {
            throw SqliteError(path_ + " : fichier endommagé");
        }
        if (found < 0) {
            throw SqliteError(path_ + " : version inconnue " + std::to_string(found));
        }
    }
    db_->Exec("PRAGMA foreign_keys = ON");
    // A power cut may lose the last change, never the file: each recording's start
    // and end need not wait for the disk.
    db_->Exec("PRAGMA journal_mode = WAL");
    db_->Exec("PRAGMA synchronous = NORMAL");
    db_->Exec(kSchema);
    db_->Exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    // Only one Kalore records: what was running when it last closed has ended.
    db_->Exec("UPDATE recording SET running = 0 WHERE running = 1");
    for (const auto& [id, entry] : running_) {
        Insert(entry, id);
    }
}

std::int64_t RecordingStore::Insert(const RecordingEntry& entry, std::int64_t id) {
    db_->Exec("BEGIN");
    try {
        db_->Prepare("INSERT INTO recording(id, channel, title, started, seconds, bytes, format, "
                     "outcome, reasons, programmed, running, folded) "
                     "VALUES(?,?,?,?,?,?,?,?,?,?,?,?)")
            .Bind(1, id)
            .Bind(2, entry.channel)
            .Bind(3, entry.title)
            .Bind(4, entry.startedAt)
            .Bind(5, entry.recordedSeconds)
            .Bind(6, static_cast<std::int64_t>(entry.bytes))
            .Bind(7, entry.format)
            .Bind(8, entry.outcome)
            .Bind(9, entry.reasons)
            .Bind(10, std::int64_t{entry.programmed})
            .Bind(11, std::int64_t{entry.running})
            .Bind(12, Folded(entry, entry.files))
            .Step();
        AddParts(id, entry.files);
        db_->Prepare("DELETE FROM next_id").Step();
        db_->Prepare("INSERT INTO next_id(value) VALUES(?)").Bind(1, id + 1).Step();
        db_->Exec("COMMIT");
    } catch (...) {
        db_->Exec("ROLLBACK");
        throw;
    }
    nextId_ = std::max(nextId_, id + 1);
    return id;
}

void RecordingStore::AddParts(std::int64_t id, const std::vector<std::string>& files) {
    std::vector<std::string> parts = Parts(id);
    auto add = db_->Prepare("INSERT INTO part(recording, number, path) VALUES(?,?,?)");
    for (const std::string& file : files) {
        const std::string path = Normal(file);
        if (std::find(parts.begin(), parts.end(), path) != parts.end()) {
            continue;
        }
        parts.push_back(path);
        add.Bind(1, id).Bind(2, static_cast<std::int64_t>(parts.size())).Bind(3, path);
        add.Step();
        add.Reset();
    }
}

std::vector<std::string> RecordingStore::Parts(std::int64_t id) const {
    std::vector<std::string> parts;
    auto read = db_->Prepare("SELECT path FROM part WHERE recording = ? ORDER BY number");
    read.Bind(1, id);
    while (read.Step()) {
        parts.push_back(read.Text(0));
    }
    return parts;
}

// The recording cut short without an outcome whose first file `file` continues
// ("name-3.avi" after "name.avi"); 0 when none.
std::int64_t RecordingStore::Continued(const std::string& file) const {
    const fs::path path(Normal(file));
    const auto first = ContinuedFile(path.filename().string());
    if (!first) {
        return 0;
    }
    auto read = db_->Prepare("SELECT r.id FROM part p JOIN recording r ON r.id = p.recording "
                             "WHERE p.path = ? AND p.number = 1 AND r.outcome = '' AND "
                             "r.running = 0 AND r.programmed = 1");
    read.Bind(1, (path.parent_path() / first->first).string());
    return read.Step() ? read.Int(0) : 0;
}

std::int64_t RecordingStore::Begin(const RecordingEntry& entry) {
    ReopenIfLost();
    const std::int64_t continued =
        entry.programmed && !entry.files.empty() ? Continued(entry.files.front()) : 0;
    if (continued == 0) {
        std::int64_t id = nextId_;
        auto stored = db_->Prepare("SELECT max(coalesce((SELECT max(value) FROM next_id), 1), "
                                   "coalesce((SELECT max(id) FROM recording), 0) + 1)");
        if (stored.Step()) {
            id = std::max(id, stored.Int(0));
        }
        Insert(entry, id);
        if (entry.running) {
            running_[id] = entry;
        }
        return id;
    }
    // Kalore was killed during it: the rest of its slot is a part of it, and what
    // its files hold so far counts.
    db_->Exec("BEGIN");
    try {
        AddParts(continued, entry.files);
        db_->Prepare("UPDATE recording SET running = 1, bytes = ? WHERE id = ?")
            .Bind(1, static_cast<std::int64_t>(SizeOf(Parts(continued))))
            .Bind(2, continued)
            .Step();
        db_->Exec("COMMIT");
    } catch (...) {
        db_->Exec("ROLLBACK");
        throw;
    }
    running_[continued] = Select(" WHERE id = ?", std::to_string(continued)).front();
    return continued;
}

void RecordingStore::Finish(std::int64_t id, const std::vector<std::string>& files,
                            std::int64_t recordedSeconds, std::uint64_t bytes,
                            const std::string& outcome, const std::string& reasons) {
    ReopenIfLost();
    running_.erase(id);
    const std::vector<RecordingEntry> found = Select(" WHERE id = ?", std::to_string(id));
    if (found.empty()) {
        return; // forgotten while it ran
    }
    std::vector<std::string> all = found.front().files;
    all.insert(all.end(), files.begin(), files.end());
    db_->Exec("BEGIN");
    try {
        AddParts(id, files);
        db_->Prepare("UPDATE recording SET seconds = seconds + ?, bytes = bytes + ?, "
                     "outcome = ?, reasons = ?, running = 0, folded = ? WHERE id = ?")
            .Bind(1, recordedSeconds)
            .Bind(2, static_cast<std::int64_t>(bytes))
            .Bind(3, outcome)
            .Bind(4, reasons)
            .Bind(5, Folded(found.front(), all))
            .Bind(6, id)
            .Step();
        db_->Exec("COMMIT");
    } catch (...) {
        db_->Exec("ROLLBACK");
        throw;
    }
}

void RecordingStore::Forget(std::int64_t id) {
    running_.erase(id);
    db_->Prepare("DELETE FROM recording WHERE id = ?").Bind(1, id).Step();
}

std::vector<RecordingEntry> RecordingStore::List(std::string_view search) const {
    const std::string folded = FoldText(search);
    if (folded.empty()) {
        return Select("", {});
    }
    return Select(" WHERE folded LIKE ? ESCAPE '\\'", ContainsPattern(folded));
}

std::vector<RecordingEntry> RecordingStore::Select(const std::string& where,
                                                   const std::string& value) const {
    auto rows = db_->Prepare("SELECT id, channel, title, started, seconds, bytes, format, "
                             "outcome, reasons, programmed, running FROM recording" +
                             where + " ORDER BY started DESC, id DESC");
    if (!where.empty()) {
        rows.Bind(1, value);
    }
    std::vector<RecordingEntry> entries;
    std::map<std::int64_t, std::size_t> indexOf;
    while (rows.Step()) {
        RecordingEntry entry;
        entry.id = rows.Int(0);
        entry.channel = rows.Text(1);
        entry.title = rows.Text(2);
        entry.startedAt = rows.Int(3);
        entry.recordedSeconds = rows.Int(4);
        entry.bytes = static_cast<std::uint64_t>(rows.Int(5));
        entry.format = rows.Text(6);
        entry.outcome = rows.Text(7);
        entry.reasons = rows.Text(8);
        entry.programmed = rows.Int(9) != 0;
        entry.running = rows.Int(10) != 0;
        indexOf[entry.id] = entries.size();
        entries.push_back(std::move(entry));
    }
    auto parts = db_->Prepare("SELECT recording, path FROM part ORDER BY recording, number");
    while (parts.Step()) {
        const auto found = indexOf.find(parts.Int(0));
        if (found != indexOf.end()) {
            entries[found->second].files.push_back(parts.Text(1));
        }
    }
    for (RecordingEntry& entry : entries) {
        entry.missing = !entry.running && !entry.files.empty() && !AnyThere(entry.files);
    }
    return entries;
}

bool RecordingStore::ReopenIfLost() {
    // Deleted behind Kalore's back: SQLite would go on writing into the vanished file.
    if (fs::exists(path_)) {
        return false;
    }
    db_.reset();
    // Its journal, left behind, belongs to the store that went.
    std::error_code error;
    fs::remove(path_ + "-wal", error);
    fs::remove(path_ + "-shm", error);
    Open();
    AddFoundFiles();
    return true;
}

void RecordingStore::Rebuild() {
    if (!ReopenIfLost()) {
        AddFoundFiles();
    }
}

void RecordingStore::AddFoundFiles() {
    std::map<std::string, std::int64_t> known; // path -> its recording
    auto paths = db_->Prepare("SELECT path, recording FROM part");
    while (paths.Step()) {
        known.emplace(paths.Text(0), paths.Int(1));
    }
    for (const auto& [first, files] : FilesGrouped(recordsFolder_)) {
        if (const auto owner = known.find(files.front()); owner != known.end()) {
            // A continuation the store never heard of (Kalore was killed during it)
            // joins its recording.
            std::vector<std::string> unknown;
            std::copy_if(files.begin() + 1, files.end(), std::back_inserter(unknown),
                         [&known](const std::string& file) { return !known.contains(file); });
            if (!unknown.empty()) {
                AddParts(owner->second, unknown);
                db_->Prepare("UPDATE recording SET bytes = bytes + ? WHERE id = ?")
                    .Bind(1, static_cast<std::int64_t>(SizeOf(unknown)))
                    .Bind(2, owner->second)
                    .Step();
            }
            continue;
        }
        RecordingEntry entry;
        entry.title = fs::path(first).stem().string();
        entry.startedAt = ModifiedAt(files.front());
        entry.bytes = SizeOf(files);
        entry.files = files;
        Begin(entry);
    }
}

} // namespace kalore

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

RecordingStore::RecordingStore(const std::string& path, const std::string& recordsFolder)
    : path_(path), recordsFolder_(recordsFolder) {
    const bool existed = fs::exists(path_);
    try {
        Open();
    } catch (const SqliteError&) {
        if (!existed) {
            throw; // nothing to keep aside: the folder can't hold a store
        }
        db_.reset();
        keptAside_ = path_ + ".endommagé";
        std::error_code error;
        fs::rename(path_ + "-wal", keptAside_ + "-wal", error);
        fs::remove(path_ + "-shm", error);
        fs::rename(path_, keptAside_, error);
        if (error) {
            throw SqliteError(path_ +
                              " : illisible, et ne peut être mis de côté : " + error.message());
        }
        Open();
    }
    if (!existed || !keptAside_.empty()) {
        AddFoundFiles();
    }
}

RecordingStore::~RecordingStore() = default;

void RecordingStore::Open() {
    db_ = std::make_unique<SqliteDatabase>(path_, SqliteDatabase::Mode::CreateAnew);
    {
        auto check = db_->Prepare("PRAGMA quick_check");
        if (!check.Step() || check.Text(0) != "ok") {
            throw SqliteError(path_ + " : fichier endommagé");
        }
        auto version = db_->Prepare("PRAGMA user_version");
        version.Step();
        const std::int64_t found = version.Int(0);
        if (found != 0 && found != kSchemaVersion) {
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
}

std::int64_t RecordingStore::Begin(const RecordingEntry& entry) {
    db_->Exec("BEGIN");
    try {
        db_->Prepare("INSERT INTO recording(channel, title, started, seconds, bytes, format, "
                     "outcome, reasons, programmed, running, folded) VALUES(?,?,?,?,?,?,?,?,?,?,?)")
            .Bind(1, entry.channel)
            .Bind(2, entry.title)
            .Bind(3, entry.startedAt)
            .Bind(4, entry.recordedSeconds)
            .Bind(5, static_cast<std::int64_t>(entry.bytes))
            .Bind(6, entry.format)
            .Bind(7, entry.outcome)
            .Bind(8, entry.reasons)
            .Bind(9, std::int64_t{entry.programmed})
            .Bind(10, std::int64_t{entry.running})
            .Bind(11, Folded(entry, entry.files))
            .Step();
        const std::int64_t id = db_->LastInsertId();
        auto part = db_->Prepare("INSERT INTO part(recording, number, path) VALUES(?,?,?)");
        for (std::size_t i = 0; i < entry.files.size(); ++i) {
            part.Bind(1, id)
                .Bind(2, static_cast<std::int64_t>(i + 1))
                .Bind(3, Normal(entry.files[i]));
            part.Step();
            part.Reset();
        }
        db_->Exec("COMMIT");
        return id;
    } catch (...) {
        db_->Exec("ROLLBACK");
        throw;
    }
}

void RecordingStore::Finish(std::int64_t id, const std::vector<std::string>& files,
                            std::int64_t recordedSeconds, std::uint64_t bytes,
                            const std::string& outcome, const std::string& reasons) {
    RecordingEntry entry;
    auto read = db_->Prepare("SELECT channel, title FROM recording WHERE id = ?");
    read.Bind(1, id);
    if (!read.Step()) {
        return; // forgotten while it ran
    }
    entry.channel = read.Text(0);
    entry.title = read.Text(1);
    db_->Exec("BEGIN");
    try {
        db_->Prepare("UPDATE recording SET seconds = ?, bytes = ?, outcome = ?, reasons = ?, "
                     "running = 0, folded = ? WHERE id = ?")
            .Bind(1, recordedSeconds)
            .Bind(2, static_cast<std::int64_t>(bytes))
            .Bind(3, outcome)
            .Bind(4, reasons)
            .Bind(5, Folded(entry, files))
            .Bind(6, id)
            .Step();
        if (!files.empty()) {
            db_->Prepare("DELETE FROM part WHERE recording = ?").Bind(1, id).Step();
            auto part = db_->Prepare("INSERT INTO part(recording, number, path) VALUES(?,?,?)");
            for (std::size_t i = 0; i < files.size(); ++i) {
                part.Bind(1, id)
                    .Bind(2, static_cast<std::int64_t>(i + 1))
                    .Bind(3, Normal(files[i]));
                part.Step();
                part.Reset();
            }
        }
        db_->Exec("COMMIT");
    } catch (...) {
        db_->Exec("ROLLBACK");
        throw;
    }
}

void RecordingStore::Forget(std::int64_t id) {
    db_->Prepare("DELETE FROM recording WHERE id = ?").Bind(1, id).Step();
}

std::vector<RecordingEntry> RecordingStore::List(std::string_view search) const {
    const std::string folded = FoldText(search);
    const std::string where = folded.empty() ? "" : " WHERE folded LIKE ? ESCAPE '\\'";
    auto rows = db_->Prepare("SELECT id, channel, title, started, seconds, bytes, format, "
                             "outcome, reasons, programmed, running FROM recording" +
                             where + " ORDER BY started DESC, id DESC");
    if (!folded.empty()) {
        rows.Bind(1, ContainsPattern(folded));
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
        DropVanished();
        AddFoundFiles();
    }
}

void RecordingStore::DropVanished() {
    std::vector<std::int64_t> gone;
    for (const auto& entry : List()) {
        const bool anyLeft = std::any_of(entry.files.begin(), entry.files.end(), [](const auto& f) {
            std::error_code error;
            return fs::exists(f, error);
        });
        // A recording that is still running may not have written its file yet.
        if (!anyLeft && !entry.running) {
            gone.push_back(entry.id);
        }
    }
    for (const auto id : gone) {
        Forget(id);
    }
}

void RecordingStore::AddFoundFiles() {
    std::set<std::string> known;
    auto paths = db_->Prepare("SELECT path FROM part");
    while (paths.Step()) {
        known.insert(paths.Text(0));
    }
    for (const auto& [first, files] : FilesGrouped(recordsFolder_)) {
        if (known.contains(files.front())) {
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

#include "guide/guide_store.h"

#include <cstdio>
#include <cstdlib>

#include "guide/sqlite_database.h"
#include "guide/text_fold.h"
#include "platform/program_folder.h"

namespace kalore {
namespace {

// The two tables of the documented schema, then what the store adds for searches
// ignoring case and accents: each programme's title and sub-title folded (see
// FoldText) with its times, and a trigram index of that text, so a search over
// every channel and day reads a few rows instead of every description. Last, the
// store's own facts.
constexpr const char* kSchema = R"sql(
CREATE TABLE channel(id TEXT PRIMARY KEY, display_name TEXT, kalore_name TEXT);
CREATE TABLE programme(channel_id TEXT, start_utc INTEGER, stop_utc INTEGER, title TEXT,
                       sub_title TEXT, description TEXT, category TEXT, episode TEXT);
CREATE TABLE programme_search(programme_id INTEGER PRIMARY KEY, start_utc INTEGER,
                              stop_utc INTEGER, folded TEXT NOT NULL);
CREATE VIRTUAL TABLE programme_search_index USING fts5(folded, tokenize='trigram', content='');
CREATE TABLE guide_info(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE channel_logo(channel_id TEXT PRIMARY KEY, src TEXT NOT NULL);
)sql";

constexpr const char* kIndexes = R"sql(
CREATE INDEX programme_by_channel_start ON programme(channel_id, start_utc);
CREATE INDEX programme_search_by_start ON programme_search(start_utc, stop_utc, folded);
INSERT INTO programme_search_index(rowid, folded) SELECT programme_id, folded FROM programme_search;
)sql";

// Every table and column the queries read: a store of another make fails at once.
// The logos' table may be missing: stores made before it still serve.
constexpr const char* kSchemaCheck = R"sql(
SELECT id, display_name, kalore_name FROM channel LIMIT 0;
SELECT channel_id, start_utc, stop_utc, title, sub_title, description, category, episode
    FROM programme LIMIT 0;
SELECT programme_id, start_utc, stop_utc, folded FROM programme_search LIMIT 0;
SELECT rowid FROM programme_search_index WHERE programme_search_index MATCH 'abc' LIMIT 0;
)sql";

constexpr const char* kProgrammeColumns = "p.rowid, p.channel_id, p.start_utc, p.stop_utc, "
                                          "p.title, p.sub_title, p.description, p.category, "
                                          "p.episode";

// Separates title and sub-title in the folded copy; no one types it.
constexpr char kFieldSeparator = '\x1f';

std::size_t CodePoints(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

} // namespace

std::string GuideFileName(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\guide.sqlite");
}

GuideWriter::GuideWriter(const std::string& path) {
    std::remove(path.c_str());
    db_ = std::make_unique<SqliteDatabase>(path, SqliteDatabase::Mode::CreateAnew);
    // A 16 MB cache made a 1 GB guide no faster to import and cost 28 MB more.
    db_->Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
              "PRAGMA cache_size=-4096;");
    db_->Exec(kSchema);
    db_->Exec("BEGIN");
    insertChannel_ = std::make_unique<SqliteStatement>(db_->Prepare(
        "INSERT OR IGNORE INTO channel(id, display_name, kalore_name) VALUES(?1, ?2, ?3)"));
    insertProgramme_ = std::make_unique<SqliteStatement>(
        db_->Prepare("INSERT INTO programme(channel_id, start_utc, stop_utc, title, sub_title, "
                     "description, category, episode) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"));
    insertLogo_ = std::make_unique<SqliteStatement>(
        db_->Prepare("INSERT OR IGNORE INTO channel_logo(channel_id, src) VALUES(?1, ?2)"));
    insertSearch_ = std::make_unique<SqliteStatement>(
        db_->Prepare("INSERT INTO programme_search(programme_id, start_utc, stop_utc, folded) "
                     "VALUES(?1, ?2, ?3, ?4)"));
}

GuideWriter::~GuideWriter() = default;

void GuideWriter::AddChannel(const GuideChannel& channel, const std::string& kaloreName) {
    SqliteStatement& s = *insertChannel_;
    s.Bind(1, channel.id);
    s.Bind(2, channel.displayNames.empty() ? std::string() : channel.displayNames.front());
    if (kaloreName.empty()) {
        s.BindNull(3);
    } else {
        s.Bind(3, kaloreName);
    }
    s.Step();
    s.Reset();
    // Only the logos of the channel box's channels are ever fetched.
    if (!kaloreName.empty() && !channel.iconSrc.empty()) {
        insertLogo_->Bind(1, channel.id).Bind(2, channel.iconSrc);
        insertLogo_->Step();
        insertLogo_->Reset();
    }
}

void GuideWriter::AddProgramme(const XmltvProgramme& p, UtcSeconds stop) {
    SqliteStatement& s = *insertProgramme_;
    s.Bind(1, p.channel).Bind(2, p.start).Bind(3, stop).Bind(4, p.title).Bind(5, p.subTitle);
    s.Bind(6, p.description).Bind(7, p.category).Bind(8, p.episode);
    s.Step();
    s.Reset();
    SqliteStatement& search = *insertSearch_;
    search.Bind(1, db_->LastInsertId()).Bind(2, p.start).Bind(3, stop);
    search.Bind(4, FoldText(p.title) + kFieldSeparator + FoldText(p.subTitle));
    search.Step();
    search.Reset();
}

void GuideWriter::Finish(const GuideInfo& info) {
    {
        SqliteStatement put = db_->Prepare("INSERT INTO guide_info(key, value) VALUES(?1, ?2)");
        const std::pair<const char*, std::string> facts[] = {
            {"source", info.source},
            {"imported_utc", std::to_string(info.importedAt)},
            {"programmes", std::to_string(info.programmes)}};
        for (const auto& [key, value] : facts) {
            put.Bind(1, key).Bind(2, value);
            put.Step();
            put.Reset();
        }
    }
    db_->Exec(kIndexes);
    db_->Exec("COMMIT");
    insertChannel_.reset();
    insertLogo_.reset();
    insertProgramme_.reset();
    insertSearch_.reset();
    db_->Exec("PRAGMA locking_mode=NORMAL; PRAGMA journal_mode=WAL;");
    db_.reset();
}

GuideReader::GuideReader(const std::string& path)
    : db_(std::make_unique<SqliteDatabase>(path, SqliteDatabase::Mode::OpenExisting)) {
    db_->Exec(kSchemaCheck);
    SqliteStatement facts = db_->Prepare("SELECT key, value FROM guide_info");
    while (facts.Step()) {
        const std::string key = facts.Text(0);
        const std::string value = facts.Text(1);
        if (key == "source") {
            info_.source = value;
        } else if (key == "imported_utc") {
            info_.importedAt = std::strtoll(value.c_str(), nullptr, 10);
        } else if (key == "programmes") {
            info_.programmes = std::strtoll(value.c_str(), nullptr, 10);
        }
    }
}

GuideReader::~GuideReader() = default;

std::vector<StoredChannel> GuideReader::Channels() const {
    SqliteStatement s = db_->Prepare(
        "SELECT id, display_name, ifnull(kalore_name, '') FROM channel ORDER BY rowid");
    std::vector<StoredChannel> channels;
    while (s.Step()) {
        channels.push_back({s.Text(0), s.Text(1), s.Text(2)});
    }
    return channels;
}

std::vector<ChannelLogoSource> GuideReader::Logos() const {
    std::vector<ChannelLogoSource> logos;
    try {
        SqliteStatement s = db_->Prepare("SELECT channel_id, src FROM channel_logo ORDER BY rowid");
        while (s.Step()) {
            logos.push_back({s.Text(0), s.Text(1)});
        }
    } catch (const SqliteError&) {
        // A store made before logos were kept: none to show.
    }
    return logos;
}

std::vector<GuideProgramme> GuideReader::Rows(SqliteStatement& s) const {
    std::vector<GuideProgramme> rows;
    while (s.Step()) {
        rows.push_back({s.Int(0), s.Text(1), s.Int(2), s.Int(3), s.Text(4), s.Text(5), s.Text(6),
                        s.Text(7), s.Text(8)});
    }
    return rows;
}

std::vector<GuideProgramme> GuideReader::Between(const std::string& channelId, UtcSeconds from,
                                                 UtcSeconds to) const {
    // The index gives every programme starting before `to`; one that started the
    // day before and runs past `from` still belongs.
    SqliteStatement s = db_->Prepare(std::string("SELECT ") + kProgrammeColumns +
                                     " FROM programme p WHERE p.channel_id = ?1 AND "
                                     "p.start_utc < ?3 AND p.stop_utc > ?2 ORDER BY p.start_utc");
    s.Bind(1, channelId).Bind(2, from).Bind(3, to);
    return Rows(s);
}

std::vector<GuideProgramme> GuideReader::From(const std::string& channelId, UtcSeconds at,
                                              int count) const {
    // Programmes last hours at most: looking a day back keeps the index range short.
    SqliteStatement s = db_->Prepare(std::string("SELECT ") + kProgrammeColumns +
                                     " FROM programme p WHERE p.channel_id = ?1 AND "
                                     "p.start_utc > ?2 - 86400 AND p.stop_utc > ?2 "
                                     "ORDER BY p.start_utc LIMIT ?3");
    s.Bind(1, channelId).Bind(2, at).Bind(3, count);
    return Rows(s);
}

std::vector<GuideProgramme> GuideReader::Search(const std::vector<std::string>& words,
                                                UtcSeconds from, int limit) const {
    // The trigram index finds the words of three characters or more; shorter ones
    // are looked for in the rows it found (or, with none, in every row).
    std::string match;
    std::vector<std::string> shortWords;
    for (const std::string& word : words) {
        if (CodePoints(word) < 3) {
            shortWords.push_back(word);
            continue;
        }
        std::string quoted;
        for (const char c : word) {
            quoted += c == '"' ? "\"\"" : std::string(1, c);
        }
        match += (match.empty() ? "\"" : " \"") + quoted + "\"";
    }
    // Without a long word, the rows are read in start order from a day back (as in
    // From) until enough are found.
    std::string sql = "SELECT s.programme_id FROM ";
    sql += match.empty() ? "programme_search s WHERE s.start_utc > ?1 - 86400 AND s.stop_utc > ?1"
                         : "programme_search_index f JOIN programme_search s ON s.programme_id = "
                           "f.rowid WHERE f.programme_search_index MATCH ?3 AND s.stop_utc > ?1";
    for (std::size_t i = 0; i < shortWords.size(); ++i) {
        sql += " AND instr(s.folded, ?" + std::to_string(i + 4) + ") > 0";
    }
    sql += " ORDER BY s.start_utc LIMIT ?2";
    // Only the rows shown are read from the large table.
    SqliteStatement s = db_->Prepare(std::string("SELECT ") + kProgrammeColumns + " FROM (" + sql +
                                     ") found JOIN programme p ON p.rowid = found.programme_id "
                                     "ORDER BY p.start_utc");
    s.Bind(1, from).Bind(2, limit);
    if (!match.empty()) {
        s.Bind(3, match);
    }
    for (std::size_t i = 0; i < shortWords.size(); ++i) {
        s.Bind(static_cast<int>(i + 4), shortWords[i]);
    }
    return Rows(s);
}

std::vector<GuideProgramme> GuideReader::WithTitle(const std::string& channelId,
                                                   const std::string& title,
                                                   UtcSeconds from) const {
    SqliteStatement s = db_->Prepare(std::string("SELECT ") + kProgrammeColumns +
                                     " FROM programme p WHERE p.channel_id = ?1 AND "
                                     "p.start_utc > ?2 AND p.title = ?3 ORDER BY p.start_utc");
    s.Bind(1, channelId).Bind(2, from).Bind(3, title);
    return Rows(s);
}

} // namespace kalore

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "guide/channel_logos.h"
#include "guide/guide_time.h"
#include "guide/xmltv_reader.h"

namespace kalore {

class SqliteDatabase;
class SqliteStatement;

// The guide file in the data folder, B/guide.sqlite.
std::string GuideFileName(const std::string& programFolder);

// A programme as the store gives it back.
struct GuideProgramme {
    std::int64_t id = 0; // the row's id in the store
    std::string channelId;
    UtcSeconds start = 0;
    UtcSeconds stop = 0;
    std::string title;
    std::string subTitle;
    std::string description;
    std::string category;
    std::string episode;
};

// A row of the channel table: every channel the guide declares, with the name of
// the channel box's channel it serves (empty when none, so none of its programmes
// were kept).
struct StoredChannel {
    std::string id;
    std::string displayName;
    std::string kaloreName;
};

// What the store says of its own making.
struct GuideInfo {
    std::string source;
    UtcSeconds importedAt = 0;
    std::int64_t programmes = 0;
};

// Builds a new store in a file of its own, as fast as one pass allows: no journal
// (a cut-short build is a file to throw away, never the guide in use), one
// transaction, indexes made after the rows. Finish() leaves it whole, in WAL mode.
class GuideWriter {
public:
    explicit GuideWriter(const std::string& path);
    ~GuideWriter();
    GuideWriter(const GuideWriter&) = delete;
    GuideWriter& operator=(const GuideWriter&) = delete;

    void AddChannel(const GuideChannel& channel, const std::string& kaloreName);
    // Needs a stop time.
    void AddProgramme(const XmltvProgramme& programme, UtcSeconds stop);
    void Finish(const GuideInfo& info);

private:
    std::unique_ptr<SqliteDatabase> db_;
    std::unique_ptr<SqliteStatement> insertChannel_;
    std::unique_ptr<SqliteStatement> insertLogo_;
    std::unique_ptr<SqliteStatement> insertProgramme_;
    std::unique_ptr<SqliteStatement> insertSearch_;
};

// Reads a finished store; every query is quick enough for the main thread.
// Throws SqliteError when the file is no guide store.
class GuideReader {
public:
    explicit GuideReader(const std::string& path);
    ~GuideReader();
    GuideReader(const GuideReader&) = delete;
    GuideReader& operator=(const GuideReader&) = delete;

    const GuideInfo& Info() const { return info_; }
    std::vector<StoredChannel> Channels() const;
    // The logos the guide names for the channel box's channels.
    std::vector<ChannelLogoSource> Logos() const;
    // Programmes of a channel that overlap [from, to), by start.
    std::vector<GuideProgramme> Between(const std::string& channelId, UtcSeconds from,
                                        UtcSeconds to) const;
    // The programme on at `at` (if any) and the ones after it, at most `count` in all.
    std::vector<GuideProgramme> From(const std::string& channelId, UtcSeconds at, int count) const;
    // Programmes not over at `from` whose title or sub-title holds every word of
    // `words` (folded with FoldText), by start, at most `limit`.
    std::vector<GuideProgramme> Search(const std::vector<std::string>& words, UtcSeconds from,
                                       int limit) const;
    // Programmes of a channel with exactly this title starting after `from`, by start.
    std::vector<GuideProgramme> WithTitle(const std::string& channelId, const std::string& title,
                                          UtcSeconds from) const;

private:
    std::vector<GuideProgramme> Rows(SqliteStatement& statement) const;

    std::unique_ptr<SqliteDatabase> db_;
    GuideInfo info_;
};

} // namespace kalore

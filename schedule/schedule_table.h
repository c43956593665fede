#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalore {

inline constexpr int kScheduleColumns = 7;
inline constexpr int kChannelColumn = 0;
inline constexpr int kStartDateColumn = 1;
inline constexpr int kStartTimeColumn = 2;
inline constexpr int kEndDateColumn = 3;
inline constexpr int kEndTimeColumn = 4;
inline constexpr int kStatusColumn = 5;
inline constexpr int kFormatColumn = 6;

inline constexpr const char* kStatusProgrammed = "Programmé";
inline constexpr const char* kStatusRecording = "Enregistrement..";
inline constexpr const char* kStatusFinished = "Terminé";
// Part of the slot was recorded (a stream lost, a late start, a full disk, or a
// recording the program was closed during).
inline constexpr const char* kStatusIncomplete = "Incomplet";
// Nothing usable was recorded.
inline constexpr const char* kStatusFailed = "Échec";
// The slot passed without any recording (Kalore closed, the clock jumped over it).
inline constexpr const char* kStatusMissed = "Manqué";

using ScheduleRow = std::array<std::string, kScheduleColumns>;

// The schedule as the grid shows it: row 0 the header, rows 1..N the entries in
// the order they were added, row N + 1 the always-empty input row; and the URL
// list, whose line i is the stream address of row i + 1. Main thread only.
//
// Every change calls the persistence hook first (the files are saved after each
// change, so a crash loses nothing), then onChanged so the window can redraw.
class ScheduleTable {
public:
    ScheduleTable();

    std::function<void()> onChanged;
    void SetPersistence(std::function<void()> save) { persist_ = std::move(save); }

    int RowCount() const { return static_cast<int>(rows_.size()) + 1; }
    int EntryCount() const { return RowCount() - 2; }
    bool IsEntryRow(int row) const { return row >= 1 && row <= RowCount() - 2; }
    // Any row 0..RowCount()-1; throws std::out_of_range otherwise.
    const std::string& Cell(int row, int column) const;
    const std::vector<std::string>& Urls() const { return urls_; }
    // SecondsOfDateTime of an entry row's start and end cells, worked out once per
    // row: every add looks at each row's dates. Throws as SecondsOfDateTime does.
    std::int64_t StartSeconds(int row) const;
    std::int64_t EndSeconds(int row) const;
    // The real instants of an entry's slot in the user's time zone (kSlotStartReading,
    // kSlotEndReading): what the trigger and the recorders count in. Throws likewise.
    std::int64_t StartInstant(int row) const;
    std::int64_t EndInstant(int row) const;
    // Line row - 1 of the URL list; throws std::out_of_range when the list is short.
    const std::string& UrlOfRow(int row) const;
    // Each entry keeps one id for the whole run, so a recording finds its own row
    // however many rows above it were deleted meanwhile. Ids are never reused.
    std::uint64_t EntryId(int row) const;
    // The row of the entry, or -1 once it was deleted.
    int RowOfEntry(std::uint64_t id) const;

    int SelectedRow() const { return selectedRow_; }
    // The user's selection in the grid; no save, nothing else changes.
    void SetSelectedRow(int row) { selectedRow_ = row; }

    // Writes the entry into the input row, adds a new input row and the entry's URL.
    // The programme's title, when known, is kept for the run only: the files have
    // no place for it.
    void AppendEntry(const ScheduleRow& entry, const std::string& url,
                     const std::string& title = {});
    // The programme title given with the entry of the row; empty when none.
    std::string Title(int row) const;
    // Removes an entry row and its URL line (when the list holds one).
    void RemoveEntry(int row);
    // Leaves the header and one empty input row, and an empty URL list.
    void ClearEntries();
    void SetStatus(int row, const std::string& status);
    // A new start and end for an entry row (seconds of SecondsOfDateTime), saved.
    void SetBounds(int row, std::int64_t start, std::int64_t end);
    // The same status for many rows, saved once.
    void SetStatuses(const std::vector<int>& rows, const std::string& status);

    // Content read from the files: rows 1..RowCount()-1 and the URL list. Not saved.
    void Replace(std::vector<ScheduleRow> rows, std::vector<std::string> urls);
    // Rows 1..RowCount()-1 as stored in the files.
    const std::vector<ScheduleRow>& StoredRows() const { return rows_; }

    static const ScheduleRow& Header();

private:
    struct RowSeconds {
        std::optional<std::int64_t> start;
        std::optional<std::int64_t> end;
        std::optional<std::int64_t> startInstant;
        std::optional<std::int64_t> endInstant;
    };

    void Changed();
    std::int64_t CachedSeconds(
        int row, int dateColumn, int timeColumn, std::optional<std::int64_t> RowSeconds::*slot,
        const std::function<std::int64_t(std::string_view, std::string_view)>& count) const;

    std::uint64_t NewId() { return ++lastId_; }

    std::vector<ScheduleRow> rows_;  // rows 1..RowCount()-1
    std::vector<std::uint64_t> ids_; // in step with rows_
    std::map<std::uint64_t, std::string> titles_;
    std::uint64_t lastId_ = 0;
    // In step with rows_; empty slots are worked out on demand (a damaged text
    // stays empty and throws again).
    mutable std::vector<RowSeconds> seconds_;
    std::vector<std::string> urls_;
    int selectedRow_ = 1;
    std::function<void()> persist_;
};

} // namespace kalore

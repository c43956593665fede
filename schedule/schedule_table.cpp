#include "schedule/schedule_table.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "schedule/date_time_text.h"

namespace kalore {

ScheduleTable::ScheduleTable() : rows_(1), seconds_(1) {
    ids_.push_back(NewId());
}

const ScheduleRow& ScheduleTable::Header() {
    static const ScheduleRow header = {
        " Chaine à enregistrer", " Date de début", " Heur de début", " Date de fin",
        " Heur de fin",          " Etat",          " Format"};
    return header;
}

const std::string& ScheduleTable::Cell(int row, int column) const {
    if (column < 0 || column >= kScheduleColumns || row < 0 || row >= RowCount()) {
        throw std::out_of_range("schedule cell out of range");
    }
    return row == 0 ? Header()[column] : rows_[row - 1][column];
}

std::int64_t ScheduleTable::StartSeconds(int row) const {
    return CachedSeconds(row, kStartDateColumn, kStartTimeColumn, &RowSeconds::start,
                         SecondsOfDateTime);
}

std::int64_t ScheduleTable::EndSeconds(int row) const {
    return CachedSeconds(row, kEndDateColumn, kEndTimeColumn, &RowSeconds::end, SecondsOfDateTime);
}

std::int64_t ScheduleTable::StartInstant(int row) const {
    return CachedSeconds(row, kStartDateColumn, kStartTimeColumn, &RowSeconds::startInstant,
                         [](std::string_view date, std::string_view time) {
                             return InstantOfDateTime(date, time, kSlotStartReading);
                         });
}

std::int64_t ScheduleTable::EndInstant(int row) const {
    return CachedSeconds(row, kEndDateColumn, kEndTimeColumn, &RowSeconds::endInstant,
                         [](std::string_view date, std::string_view time) {
                             return InstantOfDateTime(date, time, kSlotEndReading);
                         });
}

std::int64_t ScheduleTable::CachedSeconds(
    int row, int dateColumn, int timeColumn, std::optional<std::int64_t> RowSeconds::*slot,
    const std::function<std::int64_t(std::string_view, std::string_view)>& count) const {
    const std::string& date = Cell(row, dateColumn);
    const std::string& time = Cell(row, timeColumn);
    if (row == 0) {
        return count(date, time);
    }
    std::optional<std::int64_t>& cached = seconds_[static_cast<std::size_t>(row - 1)].*slot;
    if (!cached) {
        cached = count(date, time);
    }
    return *cached;
}

const std::string& ScheduleTable::UrlOfRow(int row) const {
    return urls_.at(static_cast<std::size_t>(row - 1));
}

std::uint64_t ScheduleTable::EntryId(int row) const {
    return ids_.at(static_cast<std::size_t>(row - 1));
}

int ScheduleTable::RowOfEntry(std::uint64_t id) const {
    const auto found = std::find(ids_.begin(), ids_.end() - 1, id);
    return found == ids_.end() - 1 ? -1 : static_cast<int>(found - ids_.begin()) + 1;
}

std::string ScheduleTable::Title(int row) const {
    if (!IsEntryRow(row)) {
        return {};
    }
    const auto found = titles_.find(EntryId(row));
    return found == titles_.end() ? std::string() : found->second;
}

void ScheduleTable::AppendEntry(const ScheduleRow& entry, const std::string& url,
                                const std::string& title) {
    if (!title.empty()) {
        titles_[ids_.back()] = title;
    }
    rows_.back() = entry;
    seconds_.back() = {};
    rows_.emplace_back();
    seconds_.emplace_back();
    ids_.push_back(NewId());
    urls_.push_back(url);
    Changed();
}

void ScheduleTable::RemoveEntry(int row) {
    if (!IsEntryRow(row)) {
        return;
    }
    titles_.erase(ids_[static_cast<std::size_t>(row - 1)]);
    rows_.erase(rows_.begin() + (row - 1));
    seconds_.erase(seconds_.begin() + (row - 1));
    ids_.erase(ids_.begin() + (row - 1));
    if (static_cast<std::size_t>(row - 1) < urls_.size()) {
        urls_.erase(urls_.begin() + (row - 1));
    }
    Changed();
}

void ScheduleTable::ClearEntries() {
    rows_.assign(1, ScheduleRow{});
    seconds_.assign(1, RowSeconds{});
    ids_.assign(1, NewId());
    titles_.clear();
    urls_.clear();
    Changed();
}

void ScheduleTable::SetStatus(int row, const std::string& status) {
    if (!IsEntryRow(row)) {
        return;
    }
    rows_[row - 1][kStatusColumn] = status;
    Changed();
}

void ScheduleTable::SetBounds(int row, std::int64_t start, std::int64_t end) {
    if (!IsEntryRow(row)) {
        return;
    }
    ScheduleRow& cells = rows_[row - 1];
    const LocalDateTime from = DateTimeOfSeconds(start);
    const LocalDateTime to = DateTimeOfSeconds(end);
    cells[kStartDateColumn] = DateText(from);
    cells[kStartTimeColumn] = TimeText(from);
    cells[kEndDateColumn] = DateText(to);
    cells[kEndTimeColumn] = TimeText(to);
    // The real instants are read again from the new texts when asked.
    seconds_[static_cast<std::size_t>(row - 1)] = {start, end, std::nullopt, std::nullopt};
    Changed();
}

void ScheduleTable::SetStatuses(const std::vector<int>& rows, const std::string& status) {
    bool changed = false;
    for (const int row : rows) {
        if (IsEntryRow(row)) {
            rows_[row - 1][kStatusColumn] = status;
            changed = true;
        }
    }
    if (changed) {
        Changed();
    }
}

void ScheduleTable::Replace(std::vector<ScheduleRow> rows, std::vector<std::string> urls) {
    rows_ = std::move(rows);
    if (rows_.empty()) {
        rows_.emplace_back();
    }
    seconds_.assign(rows_.size(), RowSeconds{});
    ids_.clear();
    titles_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        ids_.push_back(NewId());
    }
    urls_ = std::move(urls);
    if (onChanged) {
        onChanged();
    }
}

void ScheduleTable::Changed() {
    // The grid keeps its selection on a row that still exists.
    if (selectedRow_ > RowCount() - 1) {
        selectedRow_ = RowCount() - 1;
    }
    if (persist_) {
        persist_();
    }
    if (onChanged) {
        onChanged();
    }
}

} // namespace kalore

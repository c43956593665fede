#include "schedule/schedule_table.h"

#include <stdexcept>
#include <utility>

namespace kalore {

ScheduleTable::ScheduleTable() : rows_(1) {}

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

const std::string& ScheduleTable::UrlOfRow(int row) const {
    return urls_.at(static_cast<std::size_t>(row - 1));
}

void ScheduleTable::AppendEntry(const ScheduleRow& entry, const std::string& url) {
    rows_.back() = entry;
    rows_.emplace_back();
    urls_.push_back(url);
    Changed();
}

void ScheduleTable::RemoveEntry(int row) {
    if (!IsEntryRow(row)) {
        return;
    }
    rows_.erase(rows_.begin() + (row - 1));
    if (static_cast<std::size_t>(row - 1) < urls_.size()) {
        urls_.erase(urls_.begin() + (row - 1));
    }
    Changed();
}

void ScheduleTable::ClearEntries() {
    rows_.assign(1, ScheduleRow{});
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

bool ScheduleTable::MarkFinishedRows() {
    bool marked = false;
    for (int row = 1; row <= RowCount() - 2; ++row) {
        std::string& status = rows_[row - 1][kStatusColumn];
        if (status == kStatusRecording) {
            status = kStatusFinished;
            marked = true;
        }
    }
    if (marked) {
        Changed();
    }
    return marked;
}

void ScheduleTable::Replace(std::vector<ScheduleRow> rows, std::vector<std::string> urls) {
    rows_ = std::move(rows);
    if (rows_.empty()) {
        rows_.emplace_back();
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

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "schedule/schedule_table.h"

namespace kalore {

// The bytes of "recordslist" (Windows-1252, CR LF after every line): the column
// count, the row count, then each cell of rows 1..count-1, one per line.
std::string RecordsListBytes(const ScheduleTable& table);
// The bytes of "recordsurlist": one address per line, CR LF after each.
std::string RecordsUrlListBytes(const ScheduleTable& table);

// True when the bytes are all that RecordsListBytes writes for their counts: a
// file cut short by a crash fails, so it is never taken for a save.
bool IsWholeRecordsList(std::string_view bytes);

// The most rows a file may claim beyond the cells it holds; a larger count is a
// damaged file, never an allocation.
inline constexpr long long kMaxClaimedScheduleRows = 10000;

struct ParsedSchedule {
    std::vector<ScheduleRow> rows; // rows 1..count-1
    std::vector<std::string> urls;
    std::string error; // empty when the files could be read
};

// Reads both files' bytes. A count that isn't a whole number fails with the
// runtime's "Saisie numérique incorrecte"; a column count other than 7 or an
// impossible row count fails with a description. A file shorter than its counts
// gives empty cells.
ParsedSchedule ParseScheduleFiles(std::string_view recordsList, std::string_view urlList);

} // namespace kalore

#include "schedule/entry_rules.h"

#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"

namespace kalore {

bool CheckNoOverlap(const ScheduleTable& table, const std::string& startDate,
                    const std::string& startTime, const std::string& endDate,
                    const std::string& endTime) {
    const std::int64_t start = SecondsOfDateTime(startDate, startTime);
    const std::int64_t end = SecondsOfDateTime(endDate, endTime);
    bool free = true;
    for (int row = 1; row <= table.RowCount() - 2; ++row) {
        const std::int64_t rowStart = table.StartSeconds(row);
        const std::int64_t rowEnd = table.EndSeconds(row);
        const bool endInside = rowStart <= end && rowEnd >= end;
        const bool startInside = rowStart <= start && rowEnd >= start;
        const bool rowInside = rowStart >= start && rowEnd <= end;
        if (endInside || startInside || rowInside) {
            free = false;
        }
    }
    return free;
}

} // namespace kalore

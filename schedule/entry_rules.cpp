#include "schedule/entry_rules.h"

#include "schedule/date_time_text.h"
#include "schedule/schedule_table.h"

namespace kalore {

bool CheckNoOverlap(const ScheduleTable& table, const std::string& startDate,
                    const std::string& startTime, const std::string& endDate,
                    const std::string& endTime) {
    bool free = true;
    for (int row = 1; row <= table.RowCount() - 2; ++row) {
        const std::string& s_date = table.Cell(row, kStartDateColumn);
        const std::string& s_time = table.Cell(row, kStartTimeColumn);
        const std::string& e_date = table.Cell(row, kEndDateColumn);
        const std::string& e_time = table.Cell(row, kEndTimeColumn);
        const auto sE = DateTimeDiffSeconds(endDate, endTime, s_date, s_time);
        const auto eE = DateTimeDiffSeconds(endDate, endTime, e_date, e_time);
        const auto sS = DateTimeDiffSeconds(startDate, startTime, s_date, s_time);
        const auto eS = DateTimeDiffSeconds(startDate, startTime, e_date, e_time);
        const bool endInside = sE <= 0 && eE >= 0;
        const bool startInside = sS <= 0 && eS >= 0;
        const bool rowInside = sS >= 0 && eE <= 0;
        if (endInside || startInside || rowInside) {
            free = false;
        }
    }
    return free;
}

} // namespace kalore

#pragma once

#include <string>

namespace kalore {

class ScheduleTable;

// What the window's entry controls hold when "Programmer l'enregistrement" is pressed.
struct ScheduleEntryRequest {
    std::string startDate; // dd/MM/yyyy
    std::string startTime; // HH:mm:ss
    std::string endDate;
    std::string endTime;
    std::string channel; // the channel box's text
    std::string url;     // the selected channel's address (empty when none)
    std::string format;  // the format box's text
    std::string title{}; // the programme's, when programmed from the guide
};

// True when [start, end] touches no entry of the table, bounds included; entries
// count whatever their status. Throws ConversionError for a damaged text.
bool CheckNoOverlap(const ScheduleTable& table, const std::string& startDate,
                    const std::string& startTime, const std::string& endDate,
                    const std::string& endTime);

} // namespace kalore

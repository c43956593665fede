// Any bytes as the two schedule files: no crash, bounded memory, and what reads
// without error writes back and reads again to the same rows.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "schedule/schedule_file_format.h"
#include "schedule/schedule_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first NUL byte, if any, splits the table file from the URL list.
    const auto split = bytes.find('\0');
    const std::string_view list = bytes.substr(0, split);
    const std::string_view urls =
        split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);
    kalore::ParsedSchedule parsed = kalore::ParseScheduleFiles(list, urls);
    if (!parsed.error.empty()) {
        return 0;
    }
    kalore::ScheduleTable table;
    table.Replace(parsed.rows, parsed.urls);
    const kalore::ParsedSchedule again = kalore::ParseScheduleFiles(
        kalore::RecordsListBytes(table), kalore::RecordsUrlListBytes(table));
    if (!again.error.empty() || again.rows.size() != parsed.rows.size()) {
        std::abort();
    }
    return 0;
}

#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kalore {

class Clock;
class Host;
class ScheduleTable;

// What reading the schedule files came to.
enum class ScheduleLoad {
    NoFiles, // either file missing: nothing read, no message
    Loaded,
    Damaged, // unreadable: kept aside, nothing read, the user told
};

struct ScheduleLoadResult {
    ScheduleLoad outcome = ScheduleLoad::NoFiles;
    std::string error;    // the reading error, for a damaged file
    std::string keptCopy; // where the damaged "recordslist" was copied
};

// The two schedule files in the data folder: "B/recordslist" and "B/recordsurlist".
// Once attached, the table is saved after every change, both files written
// together through temporary files, so a crash or a logout loses nothing.
class ScheduleFiles {
public:
    ScheduleFiles(std::string programFolder, Host& host, const Clock& clock);

    std::string RecordsListPath() const;
    std::string RecordsUrlListPath() const;

    // Reads both files into the table (File2StringGrid). A save that a crash cut
    // short is first finished, or its temporary files kept aside (logged). A
    // damaged file is copied aside before anything can be written over it, and the
    // user is told where.
    ScheduleLoadResult Load(ScheduleTable& table);
    // Writes both files (StringGrid2File); a failure is logged, and told to the user
    // in a notice, once until a save works again. True on success.
    bool Save(const ScheduleTable& table);
    // Saves the table after each of its changes from now on.
    void Attach(ScheduleTable& table);

private:
    // Only the newest copies of each file of that kind are kept.
    void PruneAsideCopiesOfBoth(const char* kind) const;
    void FinishInterruptedSave();
    void TellSaveFailed();
    std::string KeepDamagedCopies(const std::string& list, const std::string& urls);

    std::string folder_;
    // A damaged file's bytes (table, URL list) that could not be copied aside yet.
    std::optional<std::pair<std::string, std::string>> unsavedDamaged_;
    bool saveFailing_ = false;
    Host& host_;
    const Clock& clock_;
};

} // namespace kalore

#include "schedule/schedule_files.h"

#include "platform/atomic_file.h"
#include "platform/program_folder.h"
#include "schedule/schedule_file_format.h"
#include "schedule/schedule_table.h"
#include "seams/aside_copy.h"
#include "seams/clock.h"
#include "seams/host.h"

namespace kalore {

ScheduleFiles::ScheduleFiles(std::string programFolder, Host& host, const Clock& clock)
    : folder_(std::move(programFolder)), host_(host), clock_(clock) {}

std::string ScheduleFiles::RecordsListPath() const {
    return folder_ + NativeRelative("B\\recordslist");
}

std::string ScheduleFiles::RecordsUrlListPath() const {
    return folder_ + NativeRelative("B\\recordsurlist");
}

void ScheduleFiles::FinishInterruptedSave() {
    const InterruptedWrite finished =
        FinishInterruptedWrite({RecordsUrlListPath(), RecordsListPath()}, IsWholeRecordsList,
                               AsideSuffix("interrupted", clock_.Now()));
    if (!finished.keptAside.empty()) {
        PruneAsideCopiesOfBoth("interrupted");
    }
    if (finished.completed) {
        host_.AppendLog("Planning : enregistrement interrompu terminé (" + RecordsListPath() + ")");
    }
    for (const std::string& copy : finished.keptAside) {
        host_.AppendLog("Planning : enregistrement interrompu mis de côté : " + copy);
    }
    if (!finished.error.empty()) {
        host_.ShowMessage("Le planning " + RecordsListPath() +
                          " n'a pas pu être remis en état après un enregistrement interrompu (" +
                          finished.error + ").\rVérifiez les enregistrements programmés.");
    }
}

ScheduleLoadResult ScheduleFiles::Load(ScheduleTable& table) {
    // A save cut short leaves its temporary files: settle them before reading.
    FinishInterruptedSave();
    std::string list;
    std::string urls;
    if (!FileExists(RecordsListPath()) || !FileExists(RecordsUrlListPath()) ||
        !ReadWholeFile(RecordsListPath(), list) || !ReadWholeFile(RecordsUrlListPath(), urls)) {
        return {};
    }
    ParsedSchedule parsed = ParseScheduleFiles(list, urls);
    if (!parsed.error.empty()) {
        ScheduleLoadResult result{ScheduleLoad::Damaged, parsed.error, {}};
        result.keptCopy = KeepDamagedCopies(list, urls);
        if (result.keptCopy.empty()) {
            // Never write over the only copy: saves retry the copy first.
            unsavedDamaged_ = {list, urls};
            host_.ShowMessage("Le fichier du planning " + RecordsListPath() + " est illisible (" +
                              parsed.error +
                              ").\rImpossible d'en garder une copie : le planning ne sera pas "
                              "enregistré tant que cette copie n'aura pas pu être faite.");
        } else {
            host_.ShowMessage("Le fichier du planning " + RecordsListPath() + " est illisible (" +
                              parsed.error + ").\rUne copie a été gardée : " + result.keptCopy);
        }
        return result;
    }
    table.Replace(std::move(parsed.rows), std::move(parsed.urls));
    return {ScheduleLoad::Loaded, {}, {}};
}

std::string ScheduleFiles::KeepDamagedCopies(const std::string& list, const std::string& urls) {
    const std::string stamp = AsideSuffix("damaged", clock_.Now());
    const std::string listCopy = RecordsListPath() + stamp;
    // Both files: the URL list only makes sense beside its table.
    const FileResult written =
        WriteFilesAtomically({{RecordsUrlListPath() + stamp, urls}, {listCopy, list}});
    PruneAsideCopiesOfBoth("damaged");
    return written.ok() ? listCopy : std::string();
}

void ScheduleFiles::PruneAsideCopiesOfBoth(const char* kind) const {
    PruneAsideCopies(RecordsListPath(), kind, kAsideCopiesKept);
    PruneAsideCopies(RecordsUrlListPath(), kind, kAsideCopiesKept);
}

bool ScheduleFiles::Save(const ScheduleTable& table) {
    if (unsavedDamaged_ &&
        KeepDamagedCopies(unsavedDamaged_->first, unsavedDamaged_->second).empty()) {
        TellSaveFailed();
        return false;
    }
    unsavedDamaged_.reset();
    // The table last: its rename completes the save, and a save cut short before
    // it is finished at the next start.
    const FileResult written =
        WriteFilesAtomically({{RecordsUrlListPath(), RecordsUrlListBytes(table)},
                              {RecordsListPath(), RecordsListBytes(table)}});
    if (!written.ok()) {
        TellSaveFailed();
        return false;
    }
    saveFailing_ = false;
    return true;
}

// Saves come from the trigger and the recorders too: a box there would hold back
// the launch it saves, so the user is told without waiting, and once until a save
// works again; the log keeps every failure.
void ScheduleFiles::TellSaveFailed() {
    const std::string message = "Erreur StringGrid2File, chemin **" + RecordsUrlListPath() + "**";
    host_.AppendLog(message);
    if (!saveFailing_) {
        saveFailing_ = true;
        host_.NotifyUser(message);
    }
}

void ScheduleFiles::Attach(ScheduleTable& table) {
    table.SetPersistence([this, &table] { Save(table); });
}

} // namespace kalore

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recorder/growth_watch.h"
#include "recorder/mon_thread.h"
#include "recorder/recorder_settings.h"
#include "recorder/recording_news.h"
#include "recorder/recording_outcome.h"
#include "recorder/recording_progress.h"
#include "recorder/source_watch.h"
#include "seams/clock.h"
#include "seams/host.h"
#include "seams/main_thread.h"

namespace kalore {

// A run that wrote nothing for this long has lost its stream: it is ended and
// started again for the rest of the slot.
inline constexpr std::int64_t kStallSeconds = 15;
// The same for a source vlc listens for (udp, rtp…): a silent listener is no
// slow server that may still answer, so it is started again sooner; still above
// the time vlc takes to write its first bytes.
inline constexpr std::int64_t kUdpStallSeconds = 6;
// Between the starts of the tries after an outage: doubled each time, up to the
// cap, and back to the first once the files grow again. A TCP source that
// refused connections and accepts them again is tried at once.
inline constexpr std::int64_t kFirstRetrySeconds = 2;
inline constexpr std::int64_t kLongestRetrySeconds = 30;
// The length timer normally ends a programmed recording; the clock does only
// when it has run this far past the end (it jumped), and a child that ends by
// itself this close to the end has simply finished.
inline constexpr std::int64_t kEndGraceSeconds = 2;

struct RecordingPlan {
    RecordingJob job; // the first run
    std::string label;
    std::optional<std::uint64_t> entryId; // a programmed recording's schedule entry
    std::int64_t slotStart = 0;           // its slot, real instants
    std::int64_t slotEnd = 0;
    std::string slotText; // "07/12/2026 à 20:30:00", for the messages
    std::string refusal;  // why the job must not run, when known before its start
    // Told the outcome once it is known, unless the user stopped the recording,
    // with the files that hold something.
    std::function<void(RecordingResult, const std::string& reasons,
                       const std::vector<std::string>& files)>
        onOutcome;
    // Told the end of every recording, however it was stopped.
    std::function<void(const RecordingEnded&)> onEnded;
    std::uint64_t serial = 0;
};

enum class StopReason { None, User, End, Replaced };

// One recording from its launch to its outcome, on the main thread: its recorder
// thread; a look at its files once a second (progress, a lost stream, a disk that
// refuses, a clock run past the end); the restarts after an outage into
// continuation files; and at the end its outcome, written into its own schedule
// entry and told to the user when it isn't "Terminé". While the disk refuses
// (below kDiskReserveBytes free, or read-only) the child is ended and nothing is
// started; once it accepts again, the rest goes into a continuation file.
class Recording final : public std::enable_shared_from_this<Recording> {
    struct Token {};

public:
    static std::shared_ptr<Recording> Launch(const RecorderSettings& settings, Host& host,
                                             MainThread& mainThread, const Clock& clock,
                                             RecordingPlan plan);
    Recording(Token, const RecorderSettings& settings, Host& host, MainThread& mainThread,
              const Clock& clock, RecordingPlan plan);
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Once a second while the recording runs.
    void Tick();
    // Asks the recorder to stop and clears its mode; the first reason given stays.
    void Stop(StopReason reason);

    MonThread& Thread() { return *thread_; }
    const MonThread& Thread() const { return *thread_; }
    bool Programmed() const { return plan_.entryId.has_value(); }
    std::uint64_t Serial() const { return plan_.serial; }
    StopReason StoppedBy() const { return stoppedBy_; }
    // Set once the recording step is over and its outcome known.
    const std::optional<RecordingResult>& Result() const { return result_; }
    RecordingProgress Progress() const;
    // The files written, the continuations after the first.
    const std::vector<std::string>& Files() const { return files_; }

private:
    enum class RunState { Running, Cutting, Waiting, DiskWait, Done };

    void OnRecorderEvent(RecorderEvent event, const std::string& detail);
    void RunEnded(bool byItself);
    void StartNextRun();
    void NoMoreRuns();
    void OpenOutage(OutageCause cause);
    void CloseOutage(std::int64_t now);
    // Whether the disk of the files refuses writes now, and why.
    std::optional<OutageCause> DiskRefusal() const;
    // Ends the run, or holds the next, while the disk refuses; true while it does.
    bool HoldWhileDiskRefuses();
    void SourceCameBack();
    // What all its files hold together.
    MediaContents LookInside() const;
    void Judge();
    std::string NextFile() const;
    std::uint64_t TotalBytes() const;
    std::int64_t NowSeconds() const;
    void Log(const std::string& line) { host_.AppendLog(line); }

    const RecorderSettings& settings_;
    Host& host_;
    const Clock& clock_;
    const RecordingPlan plan_;
    const std::int64_t launchedAt_; // a real instant, as every time here
    std::unique_ptr<MonThread> thread_;

    GrowthWatch growth_;
    std::optional<SourceWatch> source_; // for a source reached over TCP
    std::vector<std::string> files_;
    RunState state_ = RunState::Running;
    std::int64_t runLooks_ = 0;
    std::int64_t stallSeconds_ = kStallSeconds;
    std::int64_t retryIn_ = 0;
    std::int64_t nextWait_ = kFirstRetrySeconds;
    std::int64_t lastGrowth_ = 0;
    std::optional<Outage> openOutage_;
    std::vector<Outage> outages_;
    std::optional<OutageCause> diskRefusal_; // the first refusal of the disk
    bool diskRefuses_ = false;               // now
    std::string failure_;
    StopReason stoppedBy_ = StopReason::None;
    std::int64_t stoppedAt_ = 0;
    bool endReached_ = false;
    bool lostVideo_ = false;
    bool lostAudio_ = false;
    std::optional<RecordingResult> result_;
};

} // namespace kalore

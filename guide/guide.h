#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "guide/channel_logos.h"
#include "guide/channel_matcher.h"
#include "guide/guide_settings.h"
#include "guide/guide_store.h"
#include "guide/guide_time.h"
#include "platform/bounded_thread.h"
#include "web/request_options.h"

namespace kalore {

class Host;
class MainThread;
class Timer;
struct GuideImportResult;

// What the guide's parts need from the program; tests give fakes.
struct GuideSeams {
    MainThread& mainThread;
    Timer& checkTimer; // a repeating main-thread timer for the refresh checks
    Host& host;        // log lines only: the guide never shows a message box
    std::function<UtcSeconds()> now;
    WebTimeouts webTimeouts;
};

// A channel of the channel box that has a guide channel.
struct GuideChannelEntry {
    std::string kaloreName;
    std::string guideId;
};

// The TV guide the main window owns: the last good store, opened at start, and its
// updates, fetched and read on a worker thread so neither the window nor the
// recording trigger ever waits. An update builds a new store beside the one in use
// and takes its place on the main thread only once it is whole; a failed update
// keeps the last good guide. Everything but the worker runs on the main thread.
class Guide {
public:
    Guide(std::string programFolder, GuideSettings settings, GuideSeams seams);
    ~Guide();
    Guide(const Guide&) = delete;
    Guide& operator=(const Guide&) = delete;

    const GuideSettings& Settings() const { return settings_; }
    bool HasSource() const { return !settings_.source.empty(); }
    bool HasGuide() const { return store_ != nullptr; }
    bool Updating() const { return updating_; }
    // Grows each time another store is opened or the logos change: views re-read
    // only then.
    int Generation() const { return generation_; }

    // The channel box's channels: opens the last good guide, updates it when it is
    // due, and from then on checks every hour whether it is.
    void Start(std::vector<KaloreChannel> channels);
    // Updates now, unless an update runs or there is no source.
    void Refresh();

    // One line for the user: no source and how to set one, the progress of an
    // update, the guide in use, or the last failure.
    std::string StatusText() const;
    // Called on the main thread when the status or the guide changed.
    std::function<void()> onChanged;

    // Queries; empty without a guide.
    const std::vector<GuideChannelEntry>& Channels() const { return channels_; }
    std::optional<std::string> GuideIdOf(const std::string& kaloreName) const;
    // The channel box's name of a guide channel (the first when several share it).
    std::string KaloreNameOf(const std::string& guideId) const;
    // The local day opening at `dayStart` (see LocalDayStart).
    std::vector<GuideProgramme> Day(const std::string& guideId, UtcSeconds dayStart) const;
    // The programmes that overlap [from, to), by start: a view of the grid.
    std::vector<GuideProgramme> Between(const std::string& guideId, UtcSeconds from,
                                        UtcSeconds to) const;
    // Programmes not over yet, on any channel, whose title or sub-title holds every
    // word of `text`, whatever their case and accents.
    std::vector<GuideProgramme> Search(const std::string& text) const;
    // The programme on now and the next one of a channel of the channel box.
    std::vector<GuideProgramme> NowAndNext(const std::string& kaloreName) const;
    // The programmes of the same title on the same channel that start after now.
    std::vector<GuideProgramme> Episodes(const GuideProgramme& programme) const;

    // Where the logo of a guide channel is kept; there may be none, or no picture.
    std::string LogoFile(const std::string& guideId) const;

    UtcSeconds Now() const { return seams_.now(); }

private:
    enum class Phase { Idle, Downloading, Reading, Failed };

    void OpenStore();
    bool UpdateDue() const;
    void Progress(bool downloading, std::uint64_t count);
    void Finished(const GuideImportResult& result);
    void LogResult(const GuideImportResult& result);
    // Fetches the logos of the store in use on a thread of their own, so the guide
    // is in use at once however slow the logos' server.
    void FetchLogos();
    // What the logos fetched for the store in use are noted with.
    std::string LogoVersion() const;
    void LogosFetched(std::size_t named, const LogoFetchResult& result);
    void Changed();
    // Runs a query of the store in use; a store that fails to answer (a damaged
    // disk, a file changed behind Kalore's back) gives nothing, said once in the log.
    template <typename Query> std::vector<GuideProgramme> Read(Query&& query) const;

    std::string programFolder_;
    GuideSettings settings_;
    GuideSeams seams_;
    std::shared_ptr<const ChannelMatcher> matcher_;
    std::unique_ptr<GuideReader> store_;
    std::vector<GuideChannelEntry> channels_;
    std::unordered_map<std::string, std::string> idOfName_;
    bool missingChannels_ = false; // a channel's guide channel is in the store, its programmes not
    mutable bool readFailureLogged_ = false;
    int generation_ = 0;

    Phase phase_ = Phase::Idle;
    bool updating_ = false;
    std::uint64_t progress_ = 0;
    std::string failure_;
    // What the workers share with the guide; it outlives both, as a worker stuck in
    // a file or a name server may outlive the guide.
    struct WorkerLink;
    std::shared_ptr<WorkerLink> link_;
    BoundedThread worker_;
    BoundedThread logoWorker_;
    // Hand-offs queued by the worker run only while this lives.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace kalore

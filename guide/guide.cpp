#include "guide/guide.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "guide/channel_mapping.h"
#include "guide/guide_update.h"
#include "guide/sqlite_database.h"
#include "guide/text_fold.h"
#include "seams/host.h"
#include "seams/main_thread.h"
#include "seams/timer.h"

namespace kalore {
namespace {

constexpr std::uint32_t kCheckIntervalMs = 60 * 60 * 1000;
// How long the close waits for the workers, which stop at their next piece or
// logo; one held longer (a hung network mount) is left behind.
constexpr std::chrono::seconds kCloseWait{2};
constexpr int kSearchLimit = 500;
// The channels named in the log line of those without a guide.
constexpr std::size_t kNamedChannelsWithout = 30;

// "12 345"
std::string Grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(' ');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

// "12,3 Mo"
std::string Megabytes(std::uint64_t bytes) {
    const std::uint64_t tenths = bytes * 10 / (1024 * 1024);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " Mo";
}

std::string TwoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// When a local file was last written, in UTC seconds; 0 when it can't be told.
UtcSeconds WrittenAt(const std::string& path) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (error) {
        return 0;
    }
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::file_clock::to_sys(written).time_since_epoch())
        .count();
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : FoldText(text) + ' ') {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    return words;
}

} // namespace

struct Guide::WorkerLink {
    explicit WorkerLink(MainThread& thread) : mainThread(&thread) {}

    // Hands `work` to the main thread, unless the guide is gone.
    void Post(std::function<void()> work) {
        const std::lock_guard lock(mutex);
        if (mainThread != nullptr) {
            mainThread->Post(std::move(work));
        }
    }
    void Close() {
        stop = true;
        const std::lock_guard lock(mutex);
        mainThread = nullptr;
    }

    std::atomic<bool> stop{false};
    std::atomic<bool> fetchingLogos{false};
    std::mutex mutex;
    MainThread* mainThread;
};

Guide::Guide(std::string programFolder, GuideSettings settings, GuideSeams seams)
    : programFolder_(std::move(programFolder)), settings_(std::move(settings)),
      seams_(std::move(seams)), link_(std::make_shared<WorkerLink>(seams_.mainThread)) {
    seams_.checkTimer.SetHandler([this] {
        if (UpdateDue()) {
            Refresh();
        }
    });
}

Guide::~Guide() {
    alive_.reset();
    link_->Close();
    const auto deadline = std::chrono::steady_clock::now() + kCloseWait;
    for (BoundedThread* thread : {&worker_, &logoWorker_}) {
        if (!thread->JoinBefore(deadline)) {
            seams_.host.AppendLog("Guide TV : un travail en cours ne répond pas, il est abandonné");
        }
    }
    seams_.checkTimer.Stop();
    seams_.checkTimer.SetHandler(nullptr);
}

void Guide::Start(std::vector<KaloreChannel> channels) {
    ChannelMappingRead mapping = ReadChannelMapping(programFolder_);
    for (const std::string& warning : mapping.warnings) {
        seams_.host.AppendLog(warning);
    }
    matcher_ = std::make_shared<const ChannelMatcher>(std::move(channels), mapping.mapping);
    if (!HasSource()) {
        return;
    }
    OpenStore();
    Changed();
    if (UpdateDue()) {
        Refresh(); // its logos come after it
    } else if (store_ != nullptr && LogosFetchedFor(LogoFolder(programFolder_)) != LogoVersion()) {
        FetchLogos();
    }
    seams_.checkTimer.Start(kCheckIntervalMs);
}

void Guide::OpenStore() {
    store_.reset();
    readFailureLogged_ = false;
    ++generation_;
    channels_.clear();
    idOfName_.clear();
    missingChannels_ = false;
    const std::string file = GuideFileName(programFolder_);
    if (!std::filesystem::exists(file)) {
        return;
    }
    try {
        store_ = std::make_unique<GuideReader>(file);
        // The channel box may have changed since the store was made: match again,
        // with the name each guide channel served as one of its names.
        std::vector<GuideChannel> stored;
        std::unordered_map<std::string, bool> kept;
        for (StoredChannel& channel : store_->Channels()) {
            kept[channel.id] = !channel.kaloreName.empty();
            stored.push_back(
                {std::move(channel.id), {channel.displayName, channel.kaloreName}, {}});
        }
        const auto matches = matcher_->Match(stored);
        for (std::size_t i = 0; i < matches.size(); ++i) {
            if (!matches[i]) {
                continue;
            }
            const std::string& name = matcher_->Kalore()[i].name;
            if (idOfName_.emplace(name, *matches[i]).second) {
                channels_.push_back({name, *matches[i]});
            }
            const auto found = kept.find(*matches[i]);
            missingChannels_ = missingChannels_ || (found != kept.end() && !found->second);
        }
    } catch (const SqliteError& e) {
        store_.reset();
        channels_.clear();
        idOfName_.clear();
        seams_.host.AppendLog("Guide TV : guide enregistré illisible (" + std::string(e.what()) +
                              "), il sera refait");
    }
}

bool Guide::UpdateDue() const {
    if (!HasSource() || updating_) {
        return false;
    }
    if (store_ == nullptr || missingChannels_) {
        return true;
    }
    const GuideInfo& info = store_->Info();
    const std::string local = LocalSourcePath(settings_.source, programFolder_);
    return info.source != settings_.source ||
           seams_.now() - info.importedAt >= UtcSeconds{settings_.refreshHours} * 3600 ||
           (!local.empty() && WrittenAt(local) > info.importedAt);
}

void Guide::Refresh() {
    if (!HasSource() || updating_ || matcher_ == nullptr) {
        return;
    }
    worker_.Join();
    GuideUpdateJob job;
    job.source = settings_.source;
    job.localPath = LocalSourcePath(settings_.source, programFolder_);
    job.storeFile = GuideFileName(programFolder_) + ".new";
    job.downloadFile = GuideFileName(programFolder_) + ".download";
    job.timeouts = seams_.webTimeouts;
    job.now = seams_.now();
    job.matcher = matcher_;
    updating_ = true;
    phase_ = job.localPath.empty() ? Phase::Downloading : Phase::Reading;
    progress_ = 0;
    Changed();
    worker_ = BoundedThread(
        [this, link = link_, job = std::move(job), alive = std::weak_ptr<int>(alive_)] {
            const GuideImportResult result = RunGuideUpdate(
                job,
                [&](bool downloading, std::uint64_t count) {
                    link->Post([this, alive, downloading, count] {
                        if (alive.lock()) {
                            Progress(downloading, count);
                        }
                    });
                },
                link->stop);
            link->Post([this, alive, result] {
                if (alive.lock()) {
                    Finished(result);
                }
            });
        });
}

void Guide::Progress(bool downloading, std::uint64_t count) {
    if (!updating_) {
        return;
    }
    phase_ = downloading ? Phase::Downloading : Phase::Reading;
    progress_ = count;
    Changed();
}

void Guide::Finished(const GuideImportResult& result) {
    worker_.Join();
    updating_ = false;
    LogResult(result);
    if (!result.ok()) {
        phase_ = Phase::Failed;
        failure_ = result.error;
        Changed();
        return;
    }
    // The store in use is closed before the new one takes its name, so no
    // connection ever sees the swap; its write-ahead files go with it.
    const std::string file = GuideFileName(programFolder_);
    store_.reset();
    std::remove((file + "-wal").c_str());
    std::remove((file + "-shm").c_str());
    if (std::rename((file + ".new").c_str(), file.c_str()) != 0) {
        phase_ = Phase::Failed;
        failure_ = "impossible de remplacer " + file;
        seams_.host.AppendLog("Guide TV : " + failure_);
    } else {
        phase_ = Phase::Idle;
        failure_.clear();
    }
    OpenStore();
    // What this update could not keep, the next one won't either: only age, the
    // source or the channel box at the next start make the guide due again.
    missingChannels_ = false;
    Changed();
    FetchLogos();
}

std::string Guide::LogoVersion() const {
    return std::to_string(store_->Info().importedAt);
}

void Guide::FetchLogos() {
    if (store_ == nullptr || link_->fetchingLogos) {
        return; // a fetch still on leaves the logos' version unnoted: the next start catches up
    }
    logoWorker_.Join();
    link_->fetchingLogos = true;
    logoWorker_ =
        BoundedThread([this, link = link_, logos = store_->Logos(),
                       folder = LogoFolder(programFolder_), version = LogoVersion(),
                       timeouts = seams_.webTimeouts, alive = std::weak_ptr<int>(alive_)] {
            const LogoFetchResult result =
                FetchChannelLogos(logos, folder, version, timeouts, link->stop);
            link->Post([this, alive, named = logos.size(), result] {
                if (alive.lock()) {
                    LogosFetched(named, result);
                }
            });
            link->fetchingLogos = false;
        });
}

void Guide::LogosFetched(std::size_t named, const LogoFetchResult& result) {
    if (named > 0) {
        std::string line = "Guide TV : " + std::to_string(result.fetched) +
                           " logos de chaînes sur " + std::to_string(named) + " à jour";
        if (result.failed > 0) {
            line += " ; " + std::to_string(result.failed) + " introuvables ou refusés, dont " +
                    result.firstFailure;
        }
        seams_.host.AppendLog(line);
    }
    ++generation_;
    Changed();
}

std::string Guide::LogoFile(const std::string& guideId) const {
    return LogoFileName(LogoFolder(programFolder_), guideId);
}

void Guide::LogResult(const GuideImportResult& r) {
    Host& host = seams_.host;
    if (!r.ok()) {
        host.AppendLog("Guide TV : échec de la mise à jour : " + r.error);
    } else {
        host.AppendLog("Guide TV : " + Grouped(r.programmesKept) + " programmes gardés sur " +
                       Grouped(r.programmesRead) + " lus ; " + std::to_string(r.channelsWithGuide) +
                       " chaînes sur " + std::to_string(matcher_->Kalore().size()) +
                       " ont un guide");
    }
    // Said after a failure too: a guide whose every time is refused keeps nothing.
    if (r.badTimes > 0) {
        host.AppendLog("Guide TV : " + Grouped(r.badTimes) +
                       " programmes aux heures illisibles ignorés, par exemple " + r.firstBadTime);
    }
    if (r.ok() && !r.channelsWithout.empty()) {
        std::string names;
        for (std::size_t i = 0; i < r.channelsWithout.size() && i < kNamedChannelsWithout; ++i) {
            names += (i == 0 ? "" : ", ") + r.channelsWithout[i];
        }
        if (r.channelsWithout.size() > kNamedChannelsWithout) {
            names += "…";
        }
        host.AppendLog("Guide TV : sans guide : " + names);
    }
}

void Guide::Changed() {
    if (onChanged) {
        onChanged();
    }
}

std::string Guide::StatusText() const {
    if (!HasSource()) {
        return "Pas de guide TV : ajoutez la ligne source=<adresse ou fichier XMLTV> à la "
               "section [Guide] de B/kalore.ini, puis relancez Kalore.";
    }
    if (updating_ && phase_ == Phase::Downloading) {
        return "Guide TV : téléchargement… " + Megabytes(progress_);
    }
    if (updating_) {
        return "Guide TV : lecture… " + Grouped(progress_) + " programmes lus";
    }
    std::string text = "Guide TV : ";
    if (store_ != nullptr) {
        const LocalDateTime at = ToLocal(store_->Info().importedAt);
        text += Grouped(static_cast<std::uint64_t>(store_->Info().programmes)) +
                " programmes, mis à jour le " + TwoDigits(at.day) + "/" + TwoDigits(at.month) +
                " à " + TwoDigits(at.hour) + ":" + TwoDigits(at.minute);
    }
    if (phase_ == Phase::Failed) {
        text += (store_ != nullptr ? " ; échec de la dernière mise à jour (" : "échec (") +
                failure_ + ")";
    } else if (store_ == nullptr) {
        text += "en attente";
    }
    return text;
}

std::optional<std::string> Guide::GuideIdOf(const std::string& kaloreName) const {
    const auto found = idOfName_.find(kaloreName);
    return found != idOfName_.end() ? std::optional(found->second) : std::nullopt;
}

std::string Guide::KaloreNameOf(const std::string& guideId) const {
    for (const GuideChannelEntry& entry : channels_) {
        if (entry.guideId == guideId) {
            return entry.kaloreName;
        }
    }
    return {};
}

template <typename Query> std::vector<GuideProgramme> Guide::Read(Query&& query) const {
    if (store_ == nullptr) {
        return {};
    }
    try {
        return query(*store_);
    } catch (const SqliteError& e) {
        if (!readFailureLogged_) {
            readFailureLogged_ = true;
            seams_.host.AppendLog("Guide TV : lecture du guide impossible : " +
                                  std::string(e.what()));
        }
        return {};
    }
}

std::vector<GuideProgramme> Guide::Day(const std::string& guideId, UtcSeconds dayStart) const {
    return Read([&](const GuideReader& store) {
        return store.Between(guideId, dayStart, LocalDayStartAfter(dayStart, 1));
    });
}

std::vector<GuideProgramme> Guide::Between(const std::string& guideId, UtcSeconds from,
                                           UtcSeconds to) const {
    return Read([&](const GuideReader& store) { return store.Between(guideId, from, to); });
}

std::vector<GuideProgramme> Guide::Search(const std::string& text) const {
    const std::vector<std::string> words = Words(text);
    if (words.empty()) {
        return {};
    }
    return Read(
        [&](const GuideReader& store) { return store.Search(words, seams_.now(), kSearchLimit); });
}

std::vector<GuideProgramme> Guide::NowAndNext(const std::string& kaloreName) const {
    const auto id = GuideIdOf(kaloreName);
    if (!id) {
        return {};
    }
    return Read([&](const GuideReader& store) { return store.From(*id, seams_.now(), 2); });
}

std::vector<GuideProgramme> Guide::Episodes(const GuideProgramme& programme) const {
    return Read([&](const GuideReader& store) {
        return store.WithTitle(programme.channelId, programme.title, seams_.now());
    });
}

} // namespace kalore

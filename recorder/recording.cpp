#include "recorder/recording.h"

#include <algorithm>

#include "recorder/disk_space.h"
#include "recorder/recorder_command_line.h"
#include "schedule/date_time_text.h"

namespace kalore {

std::shared_ptr<Recording> Recording::Launch(const RecorderSettings& settings, Host& host,
                                             MainThread& mainThread, const Clock& clock,
                                             RecordingPlan plan) {
    auto recording =
        std::make_shared<Recording>(Token{}, settings, host, mainThread, clock, std::move(plan));
    std::weak_ptr<Recording> weak = recording;
    recording->thread_ = std::make_unique<MonThread>(
        settings, host, mainThread, recording->plan_.job,
        [weak](RecorderEvent event, const std::string& detail) {
            if (auto alive = weak.lock()) {
                alive->OnRecorderEvent(event, detail);
            }
        },
        recording->plan_.refusal);
    recording->thread_->Start();
    return recording;
}

Recording::Recording(Token, const RecorderSettings& settings, Host& host, MainThread& mainThread,
                     const Clock& clock, RecordingPlan plan)
    : settings_(settings), host_(host), clock_(clock), plan_(std::move(plan)),
      launchedAt_(clock.RealNow()),
      growth_(settings.fileSize(plan_.job.OutputFile).value_or(0)), files_{plan_.job.OutputFile},
      lastGrowth_(launchedAt_) {
    if (IsUdpSource(plan_.job.Url)) {
        stallSeconds_ = kUdpStallSeconds;
    }
    if (std::optional<TcpSource> source = TcpSourceOf(plan_.job.Url)) {
        // The watch goes with the recording, and with it any call back.
        source_.emplace(std::move(*source), settings.probeListener, mainThread,
                        [this] { SourceCameBack(); });
    }
}

std::int64_t Recording::NowSeconds() const {
    return clock_.RealNow();
}

std::uint64_t Recording::TotalBytes() const {
    std::uint64_t total = 0;
    for (const std::string& file : files_) {
        total += settings_.fileSize(file).value_or(0);
    }
    return total;
}

void Recording::Tick() {
    if (result_ || stoppedBy_ != StopReason::None) {
        return;
    }
    const std::int64_t now = NowSeconds();
    // What a run writes as it ends is no sign that the stream is back.
    if (growth_.Look(TotalBytes()) && state_ == RunState::Running) {
        lastGrowth_ = now;
        nextWait_ = kFirstRetrySeconds;
        if (source_) {
            source_->Forget();
        }
        if (openOutage_) {
            Log("-- Flux retrouvé après " + std::to_string(now - openOutage_->since) + " s");
            CloseOutage(now);
        }
    }
    ++runLooks_;
    if (Programmed() && now >= plan_.slotEnd + kEndGraceSeconds) {
        Log("-- L'heure de fin est passée : enregistrement arrêté");
        Stop(StopReason::End);
        return;
    }
    if (HoldWhileDiskRefuses()) {
        return;
    }
    if (state_ == RunState::Running &&
        std::min(growth_.SilentSeconds(), runLooks_) >= stallSeconds_) {
        OpenOutage(OutageCause::Stream);
        Log("-- Rien n'a été écrit depuis " + std::to_string(stallSeconds_) + " s dans " +
            files_.back() + " : flux perdu à " + TimeText(LocalTimeAt(openOutage_->since)));
        state_ = RunState::Cutting;
        thread_->CutChild();
    } else if (state_ == RunState::Waiting && --retryIn_ <= 0) {
        StartNextRun();
    } else if (state_ == RunState::Waiting && source_) {
        source_->Look();
    }
}

std::optional<OutageCause> Recording::DiskRefusal() const {
    const std::string& file = files_.back();
    if (settings_.diskWritable && !settings_.diskWritable(file)) {
        return OutageCause::DiskReadOnly;
    }
    if (const auto free = settings_.freeSpace(file); free && *free < kDiskReserveBytes) {
        return OutageCause::DiskFull;
    }
    return std::nullopt;
}

bool Recording::HoldWhileDiskRefuses() {
    const std::optional<OutageCause> refusal = DiskRefusal();
    if (!refusal) {
        if (diskRefuses_) {
            diskRefuses_ = false;
            Log("-- Le disque accepte de nouveau l'écriture : l'enregistrement reprend");
            if (state_ == RunState::DiskWait) {
                StartNextRun();
            }
            return true;
        }
        return false;
    }
    if (!diskRefuses_) {
        diskRefuses_ = true;
        if (!diskRefusal_) {
            diskRefusal_ = refusal;
        }
        Log(*refusal == OutageCause::DiskFull
                ? "-- Disque plein (moins de " + std::to_string(kDiskReserveBytes / kMega) +
                      " Mo libres) : enregistrement suspendu jusqu'à ce que de la place se libère"
                : std::string("-- Le disque n'accepte plus d'écriture : enregistrement suspendu"));
        // No new try of the stream while the disk refuses: the disk is the cause.
        OpenOutage(*refusal);
        if (state_ == RunState::Running) {
            state_ = RunState::Cutting;
            thread_->CutChild();
        } else if (state_ == RunState::Waiting) {
            state_ = RunState::DiskWait;
        }
    }
    return true;
}

void Recording::SourceCameBack() {
    if (state_ != RunState::Waiting || result_ || stoppedBy_ != StopReason::None) {
        return;
    }
    Log("-- La source accepte de nouveau les connexions : nouvel essai sans attendre");
    StartNextRun();
}

void Recording::Stop(StopReason reason) {
    if (stoppedBy_ == StopReason::None) {
        stoppedBy_ = reason;
        stoppedAt_ = NowSeconds();
    }
    thread_->Terminate();
    thread_->ClearRecorderMode();
}

void Recording::OnRecorderEvent(RecorderEvent event, const std::string& detail) {
    switch (event) {
    case RecorderEvent::ChildEnded:
        RunEnded(true);
        break;
    case RecorderEvent::ChildCut:
        RunEnded(false);
        break;
    case RecorderEvent::ChildStopped:
        break;
    case RecorderEvent::PlayerMissing:
        failure_ = "le programme vlc est introuvable : " + detail;
        NoMoreRuns();
        break;
    case RecorderEvent::Refused:
        failure_ = detail;
        break;
    case RecorderEvent::UnknownFormat:
        failure_ = "le format d'enregistrement « " + plan_.job.Format + " » est inconnu";
        break;
    case RecorderEvent::StepEnded:
        Judge();
        break;
    case RecorderEvent::StreamLost:
        (detail == "video" ? lostVideo_ : lostAudio_) = true;
        break;
    }
}

void Recording::RunEnded(bool byItself) {
    if (stoppedBy_ != StopReason::None || result_ || state_ == RunState::Done) {
        return;
    }
    // At the end of its slot the child stops by itself (its stop time).
    if (byItself && Programmed() && NowSeconds() >= plan_.slotEnd - kEndGraceSeconds) {
        NoMoreRuns();
        return;
    }
    if (diskRefuses_) {
        state_ = RunState::DiskWait;
        return;
    }
    if (byItself) {
        OpenOutage(OutageCause::Stream);
        Log("-- vlc s'est arrêté avant la fin : flux perdu à " +
            TimeText(LocalTimeAt(openOutage_->since)));
    }
    // The waits space the starts of the tries: a try that took its time (a stream
    // lost after a long run, a stall) is followed at once.
    state_ = RunState::Waiting;
    retryIn_ = std::max<std::int64_t>(0, nextWait_ - runLooks_);
    nextWait_ = std::min(nextWait_ * 2, kLongestRetrySeconds);
    Log("-- Nouvel essai dans " + std::to_string(retryIn_) + " s");
}

void Recording::StartNextRun() {
    RecordingJob next = plan_.job;
    if (Programmed()) {
        const std::int64_t left = plan_.slotEnd - NowSeconds();
        if (left <= 0) {
            NoMoreRuns();
            return;
        }
        next.Duration = std::to_string(left);
    }
    next.OutputFile = NextFile();
    if (next.OutputFile != files_.back()) {
        files_.push_back(next.OutputFile);
    }
    Log("-- Reprise de l'enregistrement dans : " + next.OutputFile);
    state_ = RunState::Running;
    runLooks_ = 0;
    thread_->NextRun(std::move(next));
}

void Recording::NoMoreRuns() {
    state_ = RunState::Done;
    thread_->NoMoreRuns();
}

void Recording::OpenOutage(OutageCause cause) {
    if (!openOutage_) {
        openOutage_ = Outage{lastGrowth_, 0, cause};
    } else if (cause != OutageCause::Stream) {
        openOutage_->cause = cause; // the disk explains a stream that wasn't written
    }
}

void Recording::CloseOutage(std::int64_t now) {
    openOutage_->seconds = now - openOutage_->since;
    outages_.push_back(*openOutage_);
    openOutage_.reset();
}

// A file the last run left empty is written again; otherwise the next free
// continuation of the first file, so nothing recorded is ever written over.
std::string Recording::NextFile() const {
    if (settings_.fileSize(files_.back()).value_or(0) == 0) {
        return files_.back();
    }
    for (int number = 2;; ++number) {
        std::string candidate = ContinuationPath(files_.front(), number);
        if (!settings_.fileSize(candidate)) {
            return candidate;
        }
    }
}

MediaContents Recording::LookInside() const {
    MediaContents all;
    for (const std::string& file : files_) {
        if (!settings_.fileSize(file)) {
            continue;
        }
        if (const std::optional<MediaContents> contents = settings_.probeFile(file)) {
            all.video = all.video || contents->video;
            all.audio = all.audio || contents->audio;
            all.decodable = all.decodable || contents->decodable;
        }
    }
    return all;
}

void Recording::Judge() {
    if (result_) {
        return;
    }
    const std::int64_t now = NowSeconds();
    if (growth_.Look(TotalBytes())) {
        lastGrowth_ = now;
    }
    if (openOutage_) {
        CloseOutage(now);
    }
    RecordingFacts facts;
    facts.failure = failure_;
    facts.diskRefusal = diskRefusal_;
    facts.stoppedAt = stoppedBy_ == StopReason::None ? now : stoppedAt_;
    facts.bytes = growth_.Bytes();
    facts.growingLooks = growth_.GrowingLooks();
    facts.outages = outages_;
    facts.trailingSilence = growth_.TrailingSilence();
    if (facts.bytes > 0) {
        facts.contents = LookInside();
        facts.videoLost = lostVideo_;
        facts.audioLost = lostAudio_;
    }
    std::int64_t unrecorded = 0;
    if (Programmed()) {
        const std::int64_t stoppedAt = facts.stoppedAt;
        const bool cutShort = stoppedBy_ != StopReason::None && stoppedBy_ != StopReason::End &&
                              stoppedAt < plan_.slotEnd - kEndGraceSeconds;
        const std::int64_t cut = cutShort ? plan_.slotEnd - stoppedAt : 0;
        facts.stoppedEarly = cutShort;
        // Counted from the slot's start: a late launch is time lost.
        facts.lateSeconds = std::max<std::int64_t>(0, launchedAt_ - plan_.slotStart);
        facts.lengthSeconds = plan_.slotEnd - plan_.slotStart;
        facts.missedSeconds = growth_.MissedSeconds(facts.lateSeconds) + cut;
        unrecorded = growth_.UnrecordedSeconds(facts.lateSeconds) + cut;
    } else {
        facts.lengthSeconds = growth_.Looks();
        facts.missedSeconds = growth_.MissedSeconds(0);
        unrecorded = growth_.UnrecordedSeconds(0);
    }
    result_ = JudgeRecording(facts);
    const std::string word = StatusWordOf(*result_);
    const std::string reasons = ReasonsOf(facts);
    Log("-- Résultat de l'enregistrement : " + word +
        (reasons.empty() ? "" : " (" + reasons + ")"));
    if (plan_.onEnded) {
        // What the files hold, vlc's opening left out: the list says what was recorded.
        plan_.onEnded({plan_.serial, *result_, reasons, files_,
                       std::max<std::int64_t>(0, facts.lengthSeconds - unrecorded), facts.bytes});
    }
    if (plan_.entryId && settings_.setEntryStatus) {
        settings_.setEntryStatus(*plan_.entryId, word);
    }
    // Clearing the schedule stops its recordings on purpose: nothing to tell.
    if (Programmed() && stoppedBy_ == StopReason::User) {
        return;
    }
    const std::vector<std::string> written = facts.bytes > 0 ? files_ : std::vector<std::string>{};
    if (plan_.onOutcome) {
        plan_.onOutcome(*result_, reasons, written);
    }
    if (*result_ == RecordingResult::Finished) {
        return;
    }
    std::string message = Programmed()
                              ? "L'enregistrement de « " + plan_.label + " » du " + plan_.slotText
                              : "L'enregistrement immédiat dans « " + plan_.label + " »";
    message += *result_ == RecordingResult::Failed ? " a échoué : " : " est incomplet : ";
    message += reasons + ".";
    if (written.size() > 1) {
        message += "\rFichiers :";
        for (const std::string& file : written) {
            message += "\r" + file;
        }
    } else if (!written.empty()) {
        message += "\rFichier : " + written.front();
    }
    host_.NotifyRecordingEnded(message);
}

RecordingProgress Recording::Progress() const {
    RecordingProgress progress;
    const std::int64_t now = NowSeconds();
    progress.label = plan_.label;
    progress.programmed = Programmed();
    progress.elapsedSeconds = now - launchedAt_;
    progress.bytes = growth_.Bytes();
    if (Programmed()) {
        progress.secondsLeft = plan_.slotEnd - now;
    }
    if (state_ == RunState::Waiting) {
        progress.retryInSeconds = retryIn_;
    }
    return progress;
}

} // namespace kalore

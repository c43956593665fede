#include "relay/relayed_channel.h"

#include <algorithm>

#include "relay/http_request.h"
#include "relay/loopback_socket.h"

namespace kalore {

namespace {

const std::string kStreamHead = "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n"
                                "Cache-Control: no-cache\r\nConnection: close\r\n\r\n";

} // namespace

RelayedChannel::RelayedChannel(std::string address, Options options, std::shared_ptr<Boxes> boxes,
                               std::function<bool()> crowded)
    : address_(std::move(address)), options_(std::move(options)), boxes_(std::move(boxes)),
      crowded_(std::move(crowded)) {}

RelayedChannel::~RelayedChannel() {
    Close();
}

void RelayedChannel::AddReader(std::unique_ptr<ReaderConnection> connection) {
    std::unique_lock lock(mutex_);
    lastReader_ = Clock::now();
    if (flowing_) {
        lock.unlock();
        fanout_.Add(std::move(connection), kStreamHead, Clock::now());
        return;
    }
    waiting_.push_back(std::move(connection));
    EnsureSession();
}

std::string RelayedChannel::AwaitSession(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    lastReader_ = Clock::now();
    EnsureSession();
    recorderWanted_ = true;
    const bool settled =
        settled_.wait_for(lock, limit, [this] { return flowing_ || !refusal_.empty(); });
    return settled ? refusal_ : "la Freebox ne répond pas";
}

void RelayedChannel::EnsureSession() {
    // Refused: a new reader is a new try, not the old answer.
    if (source_ && source_->Ended())
        RetireSession();
    if (!source_)
        StartSession();
}

void RelayedChannel::StartSession() {
    refusal_.clear();
    recorderWanted_ = false;
    options_.log("Relais RTSP : ouverture de la session (" + address_ + ")");
    const int generation = ++generation_;
    RtspSource::Events events;
    events.opened = [this, generation] {
        OnOpened(generation);
    };
    events.refused = [this, generation](const std::string& reason, bool crowded) {
        OnRefused(generation, reason, crowded);
    };
    events.crowded = crowded_;
    events.packets = [this, generation](const std::uint8_t* data, std::size_t size, bool key) {
        if (generation != generation_)
            return;
        const auto now = Clock::now();
        lastPackets_ = now.time_since_epoch().count();
        fanout_.Push(data, size, key, now);
    };
    events.tables = [this, generation](const std::string& tables) {
        if (generation == generation_)
            fanout_.SetTables(tables);
    };
    events.log = options_.log;
    source_ = std::make_unique<RtspSource>(address_, options_.timing, boxes_, std::move(events));
}

void RelayedChannel::OnOpened(int generation) {
    std::vector<std::unique_ptr<ReaderConnection>> waiting;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_)
            return;
        flowing_ = true;
        refusedCrowded_ = false;
        lastPackets_ = Clock::now().time_since_epoch().count();
        waiting.swap(waiting_);
    }
    settled_.notify_all();
    for (auto& connection : waiting)
        fanout_.Add(std::move(connection), kStreamHead, Clock::now());
}

void RelayedChannel::OnRefused(int generation, const std::string& reason, bool crowded) {
    std::vector<std::unique_ptr<ReaderConnection>> waiting;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_)
            return;
        refusal_ = reason;
        refusedCrowded_ = crowded;
        waiting.swap(waiting_);
    }
    // Told before the waiting recorder learns it, so the message never trails the "Échec".
    options_.log("Relais RTSP : " + reason + " (" + address_ + ")");
    if (options_.refused)
        options_.refused(address_, reason);
    settled_.notify_all();
    const std::string refusal = HttpRefusal(503, "Service Unavailable");
    for (auto& connection : waiting)
        connection->SendSome(refusal.data(), refusal.size());
}

void RelayedChannel::Tidy(Clock::time_point now) {
    const Clock::time_point lastPackets{Clock::duration(lastPackets_.load())};
    if (const std::size_t stalled = fanout_.CountStalled(now, options_.stallLimit, lastPackets))
        options_.log("Relais RTSP : plus rien depuis " +
                     std::to_string(options_.stallLimit.count() / 1000) + " s, " +
                     std::to_string(stalled) + " lecteur(s) coupé(s) (" + address_ + ")");
    const std::size_t readers = fanout_.Tidy(now, options_.stallLimit, lastPackets);
    std::lock_guard lock(mutex_);
    std::erase_if(retired_, [](const auto& source) { return source->Finished(); });
    if (readers > 0 || !waiting_.empty())
        lastReader_ = now;
    if (source_ && (source_->Ended() || now - lastReader_ > options_.linger))
        RetireSession();
}

void RelayedChannel::RetireSession() {
    ++generation_;
    source_->RequestStop();
    retired_.push_back(std::move(source_));
    const bool flowed = flowing_;
    flowing_ = false;
    waiting_.clear();
    fanout_.CutAll();
    if (flowed)
        options_.log("Relais RTSP : session fermée (" + address_ + ")");
}

void RelayedChannel::Close() {
    std::vector<std::unique_ptr<RtspSource>> ending;
    {
        std::lock_guard lock(mutex_);
        if (source_)
            RetireSession();
        ending.swap(retired_);
    }
    // Their destructors wait for the TEARDOWN: the box's slots are free at once.
    ending.clear();
}

std::string RelayedChannel::Refusal() const {
    std::lock_guard lock(mutex_);
    return refusal_;
}

bool RelayedChannel::RefusedCrowded() const {
    std::lock_guard lock(mutex_);
    return refusedCrowded_;
}

bool RelayedChannel::Recorded() const {
    std::lock_guard lock(mutex_);
    return source_ && flowing_ && recorderWanted_;
}

void RelayedChannel::ViewerLeft() {
    std::lock_guard lock(mutex_);
    if (source_ && !recorderWanted_)
        RetireSession();
}

bool RelayedChannel::GiveWayToRecording() {
    std::lock_guard lock(mutex_);
    if (!source_ || recorderWanted_ || source_->Ended())
        return false;
    options_.log("Relais RTSP : la session cède sa place à un enregistrement (" + address_ + ")");
    RetireSession();
    return true;
}

bool RelayedChannel::SessionOpen() const {
    std::lock_guard lock(mutex_);
    return source_ && flowing_;
}

} // namespace kalore

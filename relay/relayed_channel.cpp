#include "relay/relayed_channel.h"

#include "relay/http_request.h"
#include "relay/loopback_socket.h"

namespace kalore {

namespace {

const char kStreamHead[] = "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n"
                           "Cache-Control: no-cache\r\nConnection: close\r\n\r\n";

} // namespace

RelayedChannel::RelayedChannel(std::string address, Options options)
    : address_(std::move(address)), options_(std::move(options)) {}

RelayedChannel::~RelayedChannel() {
    Close();
}

void RelayedChannel::AddReader(std::unique_ptr<ReaderConnection> connection) {
    std::unique_lock lock(mutex_);
    lastReader_ = Clock::now();
    if (flowing_) {
        lock.unlock();
        fanout_.Add(std::move(connection), kStreamHead);
        return;
    }
    waiting_.push_back(std::move(connection));
    EnsureSession(lock);
}

std::string RelayedChannel::AwaitSession(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    lastReader_ = Clock::now();
    EnsureSession(lock);
    const bool settled =
        settled_.wait_for(lock, limit, [this] { return flowing_ || !refusal_.empty(); });
    return settled ? refusal_ : "la Freebox ne répond pas";
}

void RelayedChannel::EnsureSession(std::unique_lock<std::mutex>& lock) {
    if (source_ && source_->Ended()) {
        // Refused: a new reader is a new try, not the old answer.
        std::unique_ptr<RtspSource> refused = std::move(source_);
        lock.unlock();
        refused.reset();
        lock.lock();
    }
    if (!source_)
        StartSession();
}

void RelayedChannel::StartSession() {
    refusal_.clear();
    options_.log("Relais RTSP : ouverture de la session (" + address_ + ")");
    RtspSource::Events events;
    events.opened = [this] {
        OnOpened();
    };
    events.refused = [this](const std::string& reason) {
        OnRefused(reason);
    };
    events.bytes = [this](const char* bytes, std::size_t size) {
        OnBytes(bytes, size);
    };
    events.log = options_.log;
    source_ = std::make_unique<RtspSource>(address_, options_.timing, std::move(events));
}

void RelayedChannel::OnOpened() {
    std::vector<std::unique_ptr<ReaderConnection>> waiting;
    {
        std::lock_guard lock(mutex_);
        flowing_ = true;
        lastChunk_ = Clock::now();
        waiting.swap(waiting_);
    }
    settled_.notify_all();
    for (auto& connection : waiting)
        fanout_.Add(std::move(connection), kStreamHead);
}

void RelayedChannel::OnRefused(const std::string& reason) {
    std::vector<std::unique_ptr<ReaderConnection>> waiting;
    {
        std::lock_guard lock(mutex_);
        refusal_ = reason;
        waiting.swap(waiting_);
    }
    // Told before the waiting recorder learns it, so the message never trails the "Échec".
    options_.log("Relais RTSP : " + reason + " (" + address_ + ")");
    if (options_.refused)
        options_.refused(address_, reason);
    settled_.notify_all();
    for (auto& connection : waiting)
        connection->Send(HttpRefusal(503, "Service Unavailable"));
}

void RelayedChannel::OnBytes(const char* bytes, std::size_t size) {
    {
        std::lock_guard lock(mutex_);
        lastChunk_ = Clock::now();
    }
    fanout_.Broadcast(std::make_shared<const std::string>(bytes, size));
}

void RelayedChannel::Tidy(Clock::time_point now) {
    std::unique_lock lock(mutex_);
    const Clock::time_point lastChunk = lastChunk_;
    lock.unlock();
    if (const std::size_t stalled = fanout_.CountStalled(now, options_.stallLimit, lastChunk))
        options_.log("Relais RTSP : plus rien depuis " +
                     std::to_string(options_.stallLimit.count() / 1000) + " s, " +
                     std::to_string(stalled) + " lecteur(s) coupé(s) (" + address_ + ")");
    const std::size_t readers = fanout_.Tidy(now, options_.stallLimit, lastChunk);
    lock.lock();
    if (readers > 0 || !waiting_.empty())
        lastReader_ = now;
    const bool unread = source_ && now - lastReader_ > options_.linger;
    if (!unread && !(source_ && source_->Ended()))
        return;
    lock.unlock();
    Close();
}

void RelayedChannel::Close() {
    std::unique_ptr<RtspSource> source;
    {
        std::lock_guard lock(mutex_);
        source.swap(source_);
    }
    if (!source)
        return;
    // Its destructor sends TEARDOWN: the box's slot is free at once.
    source.reset();
    std::vector<std::unique_ptr<ReaderConnection>> waiting;
    bool flowed;
    {
        std::lock_guard lock(mutex_);
        flowed = flowing_;
        flowing_ = false;
        waiting.swap(waiting_);
    }
    fanout_.CutAll();
    if (flowed)
        options_.log("Relais RTSP : session fermée (" + address_ + ")");
}

std::string RelayedChannel::Refusal() const {
    std::lock_guard lock(mutex_);
    return refusal_;
}

bool RelayedChannel::SessionOpen() const {
    std::lock_guard lock(mutex_);
    return source_ && flowing_;
}

} // namespace kalore

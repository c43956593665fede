#include "relay/reader_fanout.h"

#include <algorithm>

#include "relay/loopback_socket.h"

namespace kalore {

namespace {

// A reader this far behind (tens of seconds of a TV stream) is not reading: it is
// cut rather than let the relay's memory grow.
constexpr std::size_t kMaxQueuedBytes = 32 * 1024 * 1024;

} // namespace

ReaderFanout::~ReaderFanout() {
    CutAll();
    for (Reader& reader : readers_)
        reader.sender.join();
}

void ReaderFanout::Add(std::unique_ptr<ReaderConnection> connection, std::string first) {
    std::lock_guard lock(mutex_);
    Reader& reader = readers_.emplace_back();
    reader.connection = std::move(connection);
    reader.queued = first.size();
    reader.queue.push_back(std::make_shared<const std::string>(std::move(first)));
    reader.joined = Clock::now();
    reader.sender = std::thread([this, &reader] { Feed(reader); });
}

void ReaderFanout::Broadcast(const Chunk& chunk) {
    std::lock_guard lock(mutex_);
    for (Reader& reader : readers_) {
        if (reader.gone)
            continue;
        if (reader.queued + chunk->size() > kMaxQueuedBytes) {
            reader.gone = true;
            reader.connection->Cut();
            continue;
        }
        reader.queue.push_back(chunk);
        reader.queued += chunk->size();
    }
    wake_.notify_all();
}

void ReaderFanout::Feed(Reader& reader) {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return reader.gone || !reader.queue.empty(); });
        if (reader.gone)
            return;
        const Chunk chunk = std::move(reader.queue.front());
        reader.queue.pop_front();
        reader.queued -= chunk->size();
        lock.unlock();
        const bool sent = reader.connection->Send(*chunk);
        lock.lock();
        if (!sent) {
            reader.gone = true;
            return;
        }
    }
}

bool ReaderFanout::Stalled(const Reader& reader, Clock::time_point now, Clock::duration stallLimit,
                           Clock::time_point lastChunk) {
    return now - std::max(reader.joined, lastChunk) > stallLimit;
}

std::size_t ReaderFanout::CountStalled(Clock::time_point now, Clock::duration stallLimit,
                                       Clock::time_point lastChunk) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(readers_.begin(), readers_.end(), [&](const Reader& r) {
            return !r.gone && Stalled(r, now, stallLimit, lastChunk);
        }));
}

std::size_t ReaderFanout::Tidy(Clock::time_point now, Clock::duration stallLimit,
                               Clock::time_point lastChunk) {
    std::list<Reader> finished;
    {
        std::lock_guard lock(mutex_);
        for (Reader& reader : readers_) {
            if (!reader.gone && Stalled(reader, now, stallLimit, lastChunk)) {
                reader.gone = true;
                reader.connection->Cut();
            }
        }
        wake_.notify_all();
        for (auto it = readers_.begin(); it != readers_.end();) {
            auto next = std::next(it);
            if (it->gone)
                finished.splice(finished.end(), readers_, it);
            it = next;
        }
    }
    for (Reader& reader : finished)
        reader.sender.join();
    std::lock_guard lock(mutex_);
    return readers_.size();
}

void ReaderFanout::CutAll() {
    std::lock_guard lock(mutex_);
    for (Reader& reader : readers_) {
        reader.gone = true;
        reader.connection->Cut();
    }
    wake_.notify_all();
}

} // namespace kalore

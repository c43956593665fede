#include "relay/reader_fanout.h"

#include <algorithm>

#include "relay/loopback_socket.h"

namespace kalore {

namespace {

using namespace std::chrono_literals;

// A batch goes out once it holds this much or has waited this long: a few sends a
// second to each reader, for a delay that a viewer can't see.
constexpr std::size_t kBatchBytes = 16 * 1024;
constexpr auto kBatchAge = 10ms;
// Room for a group of pictures of an HD channel (10 Mbit/s, a key frame every few
// seconds); a longer one is not kept, and new readers wait for the next key frame.
constexpr std::size_t kMaxKeptBytes = 16 * 1024 * 1024;
// A stream whose key frames can't be told apart is served as it comes.
constexpr auto kKeyFrameWait = 3s;
// A reader this far behind (tens of seconds of a TV stream) is not reading: it is
// cut rather than let the relay's memory grow.
constexpr std::size_t kMaxBacklog = 32 * 1024 * 1024;

} // namespace

ReaderFanout::~ReaderFanout() {
    CutAll();
}

void ReaderFanout::Add(std::unique_ptr<ReaderConnection> connection, const std::string& head,
                       Clock::time_point now) {
    std::lock_guard lock(mutex_);
    Reader& reader = readers_.emplace_back();
    reader.connection = std::move(connection);
    reader.joined = now;
    Send(reader, head.data(), head.size());
    if (keyFrameKept_) {
        // What the others already had since the key frame; the batch follows with them.
        Send(reader, tables_.data(), tables_.size());
        Send(reader, sinceKeyFrame_.data(), sinceKeyFrame_.size() - batch_.size());
    } else if (KeyFramesUnknown(now)) {
        Send(reader, tables_.data(), tables_.size());
    } else {
        reader.awaitingKeyFrame = true;
    }
}

void ReaderFanout::SetTables(const std::string& tables) {
    std::lock_guard lock(mutex_);
    tables_ = tables;
}

void ReaderFanout::Push(const std::uint8_t* data, std::size_t size, bool keyFrame,
                        Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (firstPush_ == Clock::time_point{})
        firstPush_ = now;
    if (keyFrame) {
        // A batch never spans a key frame: new readers start exactly on it.
        Flush();
        keyFrameSeen_ = keyFrameKept_ = true;
        sinceKeyFrame_.clear();
        for (Reader& reader : readers_) {
            if (reader.awaitingKeyFrame)
                StartAtKeyFrame(reader);
        }
    } else if (KeyFramesUnknown(now)) {
        for (Reader& reader : readers_) {
            if (reader.awaitingKeyFrame)
                StartAtKeyFrame(reader);
        }
    }
    const char* bytes = reinterpret_cast<const char*>(data);
    if (keyFrameKept_ && sinceKeyFrame_.size() + size > kMaxKeptBytes) {
        keyFrameKept_ = false;
        sinceKeyFrame_.clear();
        sinceKeyFrame_.shrink_to_fit();
    }
    if (keyFrameKept_)
        sinceKeyFrame_.append(bytes, size);
    if (batch_.empty())
        batchStart_ = now;
    batch_.append(bytes, size);
    // A slow stream gains nothing from waiting: its packets go at once.
    const bool sparse = now - lastPush_ >= kBatchAge;
    lastPush_ = now;
    if (sparse || batch_.size() >= kBatchBytes || now - batchStart_ >= kBatchAge)
        Flush();
}

void ReaderFanout::FlushDue(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (!batch_.empty() && now - batchStart_ >= kBatchAge)
        Flush();
    else
        for (Reader& reader : readers_)
            Drain(reader);
}

void ReaderFanout::Flush() {
    for (Reader& reader : readers_) {
        if (!reader.awaitingKeyFrame)
            Send(reader, batch_.data(), batch_.size());
    }
    batch_.clear();
}

bool ReaderFanout::KeyFramesUnknown(Clock::time_point now) const {
    return !keyFrameSeen_ && firstPush_ != Clock::time_point{} && now - firstPush_ > kKeyFrameWait;
}

void ReaderFanout::StartAtKeyFrame(Reader& reader) {
    reader.awaitingKeyFrame = false;
    Send(reader, tables_.data(), tables_.size());
}

void ReaderFanout::Send(Reader& reader, const char* bytes, std::size_t size) {
    if (reader.gone || size == 0)
        return;
    Drain(reader);
    if (reader.gone)
        return;
    if (reader.backlog.empty()) {
        const long sent = reader.connection->SendSome(bytes, size);
        if (sent < 0) {
            reader.gone = true;
            return;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
        if (size == 0)
            return;
    }
    if (reader.backlog.size() - reader.sent + size > kMaxBacklog) {
        reader.gone = true;
        reader.connection->Cut();
        return;
    }
    reader.backlog.append(bytes, size);
}

void ReaderFanout::Drain(Reader& reader) {
    while (!reader.gone && reader.sent < reader.backlog.size()) {
        const long sent = reader.connection->SendSome(reader.backlog.data() + reader.sent,
                                                      reader.backlog.size() - reader.sent);
        if (sent < 0)
            reader.gone = true;
        if (sent <= 0)
            break;
        reader.sent += static_cast<std::size_t>(sent);
    }
    if (reader.sent == reader.backlog.size()) {
        reader.backlog.clear();
        reader.sent = 0;
    } else if (reader.sent > kBatchBytes && reader.sent > reader.backlog.size() / 2) {
        reader.backlog.erase(0, reader.sent);
        reader.sent = 0;
    }
}

bool ReaderFanout::Stalled(const Reader& reader, Clock::time_point now, Clock::duration stallLimit,
                           Clock::time_point lastPackets) {
    return now - std::max(reader.joined, lastPackets) > stallLimit;
}

std::size_t ReaderFanout::CountStalled(Clock::time_point now, Clock::duration stallLimit,
                                       Clock::time_point lastPackets) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(readers_.begin(), readers_.end(), [&](const Reader& r) {
            return !r.gone && Stalled(r, now, stallLimit, lastPackets);
        }));
}

std::size_t ReaderFanout::Tidy(Clock::time_point now, Clock::duration stallLimit,
                               Clock::time_point lastPackets) {
    std::lock_guard lock(mutex_);
    for (Reader& reader : readers_) {
        if (!reader.gone && Stalled(reader, now, stallLimit, lastPackets)) {
            reader.gone = true;
            reader.connection->Cut();
        }
    }
    readers_.remove_if([](const Reader& reader) { return reader.gone; });
    return readers_.size();
}

void ReaderFanout::CutAll() {
    std::lock_guard lock(mutex_);
    for (Reader& reader : readers_)
        reader.connection->Cut();
    readers_.clear();
    // The next session is another stream.
    batch_.clear();
    sinceKeyFrame_.clear();
    keyFrameKept_ = keyFrameSeen_ = false;
    firstPush_ = {};
    tables_.clear();
}

} // namespace kalore

#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace kalore {

// One reader's connection to the relay. Never blocks: the relay serves every
// reader from one loop and from the thread that receives the box's stream.
class ReaderConnection {
public:
    explicit ReaderConnection(int descriptor) : descriptor_(descriptor) {}
    ~ReaderConnection();
    ReaderConnection(const ReaderConnection&) = delete;
    ReaderConnection& operator=(const ReaderConnection&) = delete;

    int Descriptor() const { return descriptor_; }
    enum class HeadRead { More, Whole, Failed };
    // Adds what came of the request head to `head`: Whole once its blank line came,
    // Failed when the reader hung up or sent more than a request head can be.
    HeadRead ReadHead(std::string& head);
    // Sends what the socket takes now: the bytes sent, or -1 once the reader has
    // gone or Cut was called.
    long SendSome(const char* bytes, std::size_t size);
    // Ends the connection.
    void Cut();
    // The user owning the other end, a program on this machine; none when the
    // system can't tell.
    std::optional<unsigned> PeerOwner() const;

private:
    int descriptor_;
};

// A listening socket on 127.0.0.1 only, on a port the system picks.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // 0 when the socket couldn't listen.
    int Port() const { return port_; }
    int Descriptor() const { return descriptor_; }
    // The next reader waiting, or null when none is.
    std::unique_ptr<ReaderConnection> Accept();

private:
    int descriptor_ = -1;
    int port_ = 0;
};

} // namespace kalore

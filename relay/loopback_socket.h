#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace kalore {

// One reader's connection to the relay.
class ReaderConnection {
public:
    explicit ReaderConnection(int descriptor) : descriptor_(descriptor) {}
    ~ReaderConnection();
    ReaderConnection(const ReaderConnection&) = delete;
    ReaderConnection& operator=(const ReaderConnection&) = delete;

    // The request head, up to its blank line; none when the reader sent none in
    // `limit`, hung up first or sent more than a request head can be.
    std::optional<std::string> ReadRequestHead(std::chrono::milliseconds limit);
    // Sends everything; false once the reader has gone or Cut was called.
    bool Send(const char* bytes, std::size_t size);
    bool Send(const std::string& bytes) { return Send(bytes.data(), bytes.size()); }
    // Ends the connection; a Send blocked on another thread returns false.
    void Cut();

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
    // The next reader, or null when none came in `limit` (or the socket is not
    // listening).
    std::unique_ptr<ReaderConnection> Accept(std::chrono::milliseconds limit);

private:
    int descriptor_ = -1;
    int port_ = 0;
};

} // namespace kalore

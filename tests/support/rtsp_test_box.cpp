#include "rtsp_test_box.h"

#include <sys/socket.h>

#include <chrono>

#include "loopback_servers.h"

namespace kalore::testing {

RtspTestBox::RtspTestBox(int maxSessions, std::string file)
    : port_(FreeLoopbackPort(SOCK_STREAM)), maxSessions_(maxSessions), file_(std::move(file)) {}

RtspTestBox::~RtspTestBox() {
    Stop();
}

bool RtspTestBox::Start() {
    Stop();
    ready_ = false;
    std::vector<std::string> arguments = {KALORE_RTSP_TEST_BOX, std::to_string(port_),
                                          std::to_string(maxSessions_)};
    if (!file_.empty())
        arguments.push_back(file_);
    server_ = ChildProcess::Start(arguments).child;
    if (!server_)
        return false;
    reader_ =
        std::thread([this, pipe = server_->TakeOutput()]() mutable { Read(std::move(pipe)); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ready_ && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ready_;
}

void RtspTestBox::Stop() {
    if (server_) {
        server_->Terminate();
        server_->Close();
        server_.reset();
    }
    if (reader_.joinable())
        reader_.join();
}

std::string RtspTestBox::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::string RtspTestBox::Address(int service) const {
    return "rtsp://127.0.0.1:" + std::to_string(port_) +
           "/fbxtv_pub/stream?namespace=1&service=" + std::to_string(service) + "&flavour=sd";
}

void RtspTestBox::Read(std::unique_ptr<OutputPipe> pipe) {
    std::string pending;
    char buffer[1024];
    for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line.rfind("READY", 0) == 0)
                ready_ = true;
            else if (line == "SESSION" || line == "TEARDOWN") {
                ++(line == "SESSION" ? sessions_ : teardowns_);
                std::lock_guard lock(mutex_);
                events_ += line[0];
            }
        }
    }
}

} // namespace kalore::testing

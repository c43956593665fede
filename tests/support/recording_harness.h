#pragma once

// For the tests and benchmarks that record with the real vlc: live test streams
// from ffmpeg on loopback, ffprobe, and the recording controller wired as the
// window wires it, with the system clock and the watch timer fired once a second
// of real time while the caller pumps the main thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fakes.h"
#include "fakes/queue_main_thread.h"
#include "platform/child_process.h"
#include "recorder/recording_controller.h"
#include "seams/clock.h"

namespace kalore::testing {

// ffmpeg sending a moving picture with sound as MPEG-TS, in real time, to
// "udp://127.0.0.1:<port>".
std::unique_ptr<ChildProcess> StartUdpStream(int port);

// A live test channel that the real vlc serves over HTTP to any number of
// clients, as a set-top box does (ffmpeg's own server serves one client and ends
// when a look at its port connects and leaves). ffmpeg feeds the server over a
// loopback UDP port and goes on while the server is stopped for an outage.
class HttpTestChannel {
public:
    HttpTestChannel();
    // "http://127.0.0.1:<port>/"
    std::string Url() const;
    // Returns once the server accepts connections; false if it never did.
    bool StartServer();
    void StopServer() { server_.reset(); }

private:
    const int feedPort_;
    const int port_;
    std::unique_ptr<ChildProcess> feed_;
    std::unique_ptr<ChildProcess> server_;
};

// What ffprobe says of a file: "key=value" lines (codecs, format, duration).
std::string Probe(const std::string& file);
// The duration ffprobe gives, 0 when none.
double ProbedDuration(const std::string& probe);

class RecordingHarness {
public:
    // With a relay, rtsp:// channels are recorded through it, as in the window.
    explicit RecordingHarness(const std::string& programFolder,
                              std::string playerPath = "/usr/bin/vlc", Relay* relay = nullptr);
    ~RecordingHarness();
    RecordingHarness(const RecordingHarness&) = delete;
    RecordingHarness& operator=(const RecordingHarness&) = delete;

    RecordingController& Controller() { return *controller_; }
    // Pumps the main thread until `until` holds or `timeout` passes (true if it
    // held), firing the watch timer every second; the length timer too when due.
    bool RunUntil(const std::function<bool()>& until, std::chrono::milliseconds timeout);
    void RunFor(std::chrono::milliseconds duration);
    // Starts a programmed recording of `url` from now for `seconds`, as entry 1,
    // arming the length timer as the trigger does.
    void StartProgrammed(const std::string& url, const std::string& format, int seconds);
    bool LogHas(const std::string& line) const;

    FakeHost host;
    std::vector<std::pair<std::uint64_t, std::string>> statuses;

private:
    QueueMainThread mainThread_;
    SystemClock clock_;
    FakeTimer timer2_;
    FakeTimer watch_;
    std::chrono::steady_clock::time_point timer2Due_;
    std::unique_ptr<RecordingController> controller_;
};

} // namespace kalore::testing

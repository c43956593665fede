#include "recording_harness.h"

#include <sys/socket.h>

#include <algorithm>
#include <future>
#include <thread>

#include "loopback_servers.h"
#include "platform/tcp_probe.h"
#include "schedule/date_time_text.h"
#include "test_stream.h"

namespace kalore::testing {
namespace {

std::string Output(const std::vector<std::string>& argv) {
    auto started = ChildProcess::Start(argv);
    if (!started.child) {
        return {};
    }
    auto pipe = started.child->TakeOutput();
    std::string text;
    char buffer[4096];
    for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    started.child->Close();
    return text;
}

} // namespace

std::unique_ptr<ChildProcess> StartUdpStream(int port) {
    return ChildProcess::Start(
               TestStreamArguments({"udp://127.0.0.1:" + std::to_string(port) + "?pkt_size=1316"}))
        .child;
}

HttpTestChannel::HttpTestChannel()
    : feedPort_(FreeLoopbackPort(SOCK_DGRAM)), port_(FreeLoopbackPort(SOCK_STREAM)),
      feed_(StartUdpStream(feedPort_)) {}

std::string HttpTestChannel::Url() const {
    return LoopbackUrl(port_) + "/";
}

bool HttpTestChannel::StartServer() {
    server_ = ChildProcess::Start(
                  {"/usr/bin/vlc", "-I", "dummy", "--quiet",
                   "udp://@127.0.0.1:" + std::to_string(feedPort_), "--sout",
                   "#std{access=http,mux=ts,dst=127.0.0.1:" + std::to_string(port_) + "/}"})
                  .child;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (server_ && std::chrono::steady_clock::now() < deadline) {
        auto answer = std::make_shared<std::promise<bool>>();
        std::future<bool> accepted = answer->get_future();
        ProbeTcpListener("127.0.0.1", static_cast<std::uint16_t>(port_),
                         [answer](bool yes) { answer->set_value(yes); });
        if (accepted.get()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string Probe(const std::string& file) {
    return Output({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
                   "stream=codec_name,width,height:format=format_name,duration", "-of",
                   "default=noprint_wrappers=1", file});
}

double ProbedDuration(const std::string& probe) {
    const auto at = probe.find("duration=");
    if (at == std::string::npos) {
        return 0;
    }
    try {
        return std::stod(probe.substr(at + 9));
    } catch (const std::exception&) {
        return 0;
    }
}

RecordingHarness::RecordingHarness(const std::string& programFolder, std::string playerPath,
                                   Relay* relay) {
    RecorderSettings settings{[playerPath] { return playerPath; },
                              [] { return std::string("Kalore"); },
                              programFolder,
                              "https://maker.example",
                              "https://maker.example/m",
                              [this](std::uint64_t entry, const std::string& status) {
                                  statuses.emplace_back(entry, status);
                              }};
    settings.relay = relay;
    controller_ =
        std::make_unique<RecordingController>(settings, host, mainThread_, clock_, timer2_, watch_);
}

RecordingHarness::~RecordingHarness() {
    mainThread_.Shutdown();
    controller_.reset();
}

bool RecordingHarness::RunUntil(const std::function<bool()>& until,
                                std::chrono::milliseconds timeout) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + timeout;
    auto nextLook = steady_clock::now() + seconds(1);
    while (!until()) {
        const auto now = steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        if (timer2_.IsActive() && now >= timer2Due_) {
            controller_->EndProgrammedRecording();
        }
        if (now >= nextLook) {
            nextLook += seconds(1);
            if (watch_.IsActive()) {
                watch_.FireNow();
            }
        }
        mainThread_.PumpUntil([] { return false; }, milliseconds(20));
    }
    return true;
}

void RecordingHarness::RunFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    RunUntil([end] { return std::chrono::steady_clock::now() >= end; }, duration * 2);
}

void RecordingHarness::StartProgrammed(const std::string& url, const std::string& format,
                                       int seconds) {
    const LocalDateTime now = clock_.Now();
    LocalDateTime end = now;
    std::int64_t endSeconds = SecondsOf(now) + seconds;
    // Only the end's time of day moves: tests never record across midnight.
    end.hour = static_cast<int>(endSeconds / 3600 % 24);
    end.minute = static_cast<int>(endSeconds / 60 % 60);
    end.second = static_cast<int>(endSeconds % 60);
    PendingRecording due;
    due.positionGridProchainRecord = 1;
    due.Channel = "Mire";
    due.Url = url;
    due.StartDate = DateText(now);
    due.StartTime = TimeText(now);
    due.EndDate = DateText(end);
    due.EndTime = TimeText(end);
    due.Duration = std::to_string(seconds);
    due.Format = format;
    due.EntryId = 1;
    controller_->StartScheduledRecording(due, seconds);
    timer2_.Start(static_cast<std::uint32_t>(seconds) * 1000);
    timer2Due_ = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
}

bool RecordingHarness::LogHas(const std::string& line) const {
    return std::find(host.log.begin(), host.log.end(), line) != host.log.end();
}

} // namespace kalore::testing

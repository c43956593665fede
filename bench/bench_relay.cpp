// The relay against the floor: what reading the box directly costs. The box is
// GStreamer's RTSP server on loopback, serving either the test picture or an HD
// recording (1080i H.264 at 10 Mbit/s with MPEG audio, a key frame every 2 s,
// made once with ffmpeg into the build folder). The floor is
// `ffmpeg -rtsp_transport udp -i URL -c copy -f mpegts -y /dev/null` on the same box.
// Readers are ffmpeg processes or raw sockets, so this process's time is the relay's.
// Usage: build/bench/bench_relay

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/child_process.h"
#include "relay/box_session.h"
#include "relay/relay.h"
#include "relay/ts_packets.h"
#include "support/rtsp_test_box.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using kalore::ChildProcess;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : (values[(values.size() - 1) / 2] + values[values.size() / 2]) / 2;
}

double ProcessSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ChildSeconds(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

std::unique_ptr<ChildProcess> Ffmpeg(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/ffmpeg", "-nostdin", "-v", "error"});
    return ChildProcess::Start(arguments).child;
}

// ffmpeg's arguments to read `address`: the box over UDP as the floor does, or the relay.
std::vector<std::string> Reading(const std::string& address, std::vector<std::string> output) {
    std::vector<std::string> arguments = {"-i", address};
    if (address.starts_with("rtsp:"))
        arguments.insert(arguments.begin(), {"-rtsp_transport", "udp"});
    arguments.insert(arguments.end(), output.begin(), output.end());
    return arguments;
}

// The HD recording the box serves, made at the first run.
std::string HdRecording() {
    const std::string path = std::string(KALORE_BINARY_DIR) + "/bench/hd-1080i.ts";
    if (!std::filesystem::exists(path)) {
        std::printf("making the HD recording (60 s of 1080i at 10 Mbit/s) once…\n");
        auto encoder = Ffmpeg({"-y",
                               "-f",
                               "lavfi",
                               "-i",
                               "testsrc2=size=1920x1080:rate=25",
                               "-f",
                               "lavfi",
                               "-i",
                               "sine=frequency=440:sample_rate=48000",
                               "-t",
                               "60",
                               "-vf",
                               "setfield=tff",
                               "-c:v",
                               "libx264",
                               "-preset",
                               "ultrafast",
                               "-flags",
                               "+ildct+ilme",
                               "-x264-params",
                               "tff=1:keyint=50:min-keyint=50:scenecut=0:nal-hrd=cbr",
                               "-b:v",
                               "10M",
                               "-maxrate",
                               "10M",
                               "-minrate",
                               "10M",
                               "-bufsize",
                               "2M",
                               "-c:a",
                               "mp2",
                               "-b:a",
                               "192k",
                               "-f",
                               "mpegts",
                               path + ".tmp"});
        if (!encoder || encoder->WaitFor(600000) != ChildProcess::WaitResult::Exited ||
            !std::filesystem::exists(path + ".tmp"))
            return "";
        std::filesystem::rename(path + ".tmp", path);
    }
    return path;
}

struct Box {
    explicit Box(bool hd, int sessions = 2)
        : box(sessions, hd ? HdRecording() : std::string()), name(hd ? "HD box" : "test box") {}
    kalore::testing::RtspTestBox box;
    const char* name;
};

// A reader of the relay on a raw socket: when its bytes and its first key frame came.
class RawReader {
public:
    explicit RawReader(const std::string& local) : started_(steady_clock::now()) {
        thread_ = std::thread([this, local] { Read(local); });
    }
    ~RawReader() {
        stop_ = true;
        thread_.join();
    }
    // Since the reader asked: its first key frame, and the first after `since`.
    std::optional<steady_clock::time_point> KeyFrameAfter(steady_clock::time_point since) {
        std::lock_guard lock(mutex_);
        for (const auto when : keyFrames_)
            if (when >= since)
                return when;
        return std::nullopt;
    }
    // When each MPEG-TS packet (known by its bytes) came.
    std::map<std::size_t, steady_clock::time_point> PacketTimes() {
        std::lock_guard lock(mutex_);
        return packets_;
    }
    std::optional<steady_clock::time_point> BytesAfter(steady_clock::time_point since) {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(arrivals_.begin(), arrivals_.end(),
                                        [&](auto when) { return when >= since; });
        return found == arrivals_.end() ? std::nullopt : std::optional(*found);
    }
    steady_clock::time_point Started() const { return started_; }

private:
    void Read(const std::string& local) {
        const int port = std::stoi(local.substr(17, local.rfind('/') - 17));
        const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return;
        const std::string request = "GET " + local.substr(local.rfind('/')) + " HTTP/1.0\r\n\r\n";
        send(descriptor, request.data(), request.size(), MSG_NOSIGNAL);
        timeval step{0, 100000};
        setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &step, sizeof step);
        std::string pending;
        bool head = true;
        kalore::TsProgram program;
        char buffer[65536];
        while (!stop_) {
            const ssize_t got = recv(descriptor, buffer, sizeof buffer, 0);
            if (got == 0)
                break;
            if (got < 0)
                continue;
            const auto now = steady_clock::now();
            pending.append(buffer, static_cast<std::size_t>(got));
            if (head) {
                const auto end = pending.find("\r\n\r\n");
                if (end == std::string::npos)
                    continue;
                pending.erase(0, end + 4);
                head = false;
            }
            std::lock_guard lock(mutex_);
            arrivals_.push_back(now);
            std::size_t at = 0;
            for (; at + kalore::kTsPacketSize <= pending.size(); at += kalore::kTsPacketSize) {
                if (program.Inspect(reinterpret_cast<const std::uint8_t*>(pending.data() + at)))
                    keyFrames_.push_back(now);
                packets_.emplace(std::hash<std::string_view>()(
                                     std::string_view(pending).substr(at, kalore::kTsPacketSize)),
                                 now);
            }
            pending.erase(0, at);
        }
        close(descriptor);
    }

    const steady_clock::time_point started_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<steady_clock::time_point> arrivals_;
    std::vector<steady_clock::time_point> keyFrames_;
    std::map<std::size_t, steady_clock::time_point> packets_;
    std::thread thread_;
};

// The floor and the relay, each over the same 10 s of the HD box.
void BM_RelayCpu(benchmark::State& state) {
    Box hd(true);
    if (!hd.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    const int readers = static_cast<int>(state.range(0));
    std::vector<double> ratios;
    for (auto _ : state) {
        auto floor = Ffmpeg({"-rtsp_transport", "udp", "-i", hd.box.Address(201), "-c", "copy",
                             "-f", "mpegts", "-y", "/dev/null"});
        std::this_thread::sleep_for(4s);
        const double floorStart = ChildSeconds(floor->Pid());
        std::this_thread::sleep_for(10s);
        const double floorShare = (ChildSeconds(floor->Pid()) - floorStart) / 10 * 100;
        floor->Terminate();
        floor->Close();
        std::this_thread::sleep_for(1s);

        kalore::Relay relay({});
        const std::string local = relay.LocalAddress(hd.box.Address(201));
        std::vector<std::unique_ptr<ChildProcess>> readers_;
        for (int i = 0; i < readers; ++i)
            readers_.push_back(Ffmpeg({"-i", local, "-c", "copy", "-f", "null", "-"}));
        std::this_thread::sleep_for(4s);
        const double relayStart = ProcessSeconds();
        std::this_thread::sleep_for(10s);
        const double relayShare = (ProcessSeconds() - relayStart) / 10 * 100;
        for (auto& reader : readers_)
            reader->Close();
        ratios.push_back(relayShare / floorShare);
        state.SetIterationTime(relayShare);
        std::printf("%d reader(s): relay %.2f %% of a core, floor %.2f %%: %.2fx\n", readers,
                    relayShare, floorShare, ratios.back());
    }
    std::printf("relay CPU with %d reader(s): median %.2fx the floor (goal: <= 1.2x)\n", readers,
                Median(ratios));
}

BENCHMARK(BM_RelayCpu)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// When each picture (known by the MD5 of its decoded image, the same whichever way
// it came) reached an ffmpeg reader of `address`.
class PacketArrivals {
public:
    explicit PacketArrivals(const std::string& address)
        : reader_(Ffmpeg(
              Reading(address, {"-map", "0:v", "-flush_packets", "1", "-f", "framemd5", "-"}))) {
        thread_ = std::thread([this, pipe = reader_->TakeOutput()] {
            std::string pending;
            char buffer[4096];
            for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;) {
                const auto now = steady_clock::now();
                pending.append(buffer, static_cast<std::size_t>(n));
                for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                    const std::string line = pending.substr(0, end);
                    pending.erase(0, end + 1);
                    if (!line.empty() && line[0] != '#') {
                        std::lock_guard lock(mutex_);
                        arrivals_.emplace(line.substr(line.rfind(',') + 1), now);
                    }
                }
            }
        });
    }
    ~PacketArrivals() {
        reader_->Close();
        thread_.join();
    }
    std::map<std::string, steady_clock::time_point> Arrivals() {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }

private:
    std::unique_ptr<ChildProcess> reader_;
    std::mutex mutex_;
    std::map<std::string, steady_clock::time_point> arrivals_;
    std::thread thread_;
};

void BM_RelayAddedDelay(benchmark::State& state) {
    Box box(state.range(0) != 0);
    if (!box.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    std::vector<double> medians;
    for (auto _ : state) {
        kalore::Relay relay({});
        PacketArrivals direct(box.box.Address(201));
        PacketArrivals relayed(relay.LocalAddress(box.box.Address(201)));
        std::this_thread::sleep_for(12s);
        const auto first = direct.Arrivals();
        std::vector<double> delays;
        for (const auto& [md5, when] : relayed.Arrivals())
            if (const auto same = first.find(md5); same != first.end())
                delays.push_back(duration<double, std::milli>(when - same->second).count());
        if (delays.empty()) {
            state.SkipWithError("no picture reached both readers");
            return;
        }
        medians.push_back(Median(delays));
        state.SetIterationTime(medians.back() / 1000);
        std::printf("%s: pictures %.1f ms later through the relay (median of %zu)\n", box.name,
                    medians.back(), delays.size());
    }
    std::printf("%s: relay added delay, median %.1f ms over %zu runs (goal: <= 20 ms)\n", box.name,
                Median(medians), medians.size());
}

// The same, packet by packet: each MPEG-TS packet as a session of our own reads it
// from the box, against when it reaches a reader through the relay.
void BM_RelayAddedDelayPackets(benchmark::State& state) {
    Box box(state.range(0) != 0);
    if (!box.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    for (auto _ : state) {
        kalore::Relay relay({});
        std::mutex mutex;
        std::map<std::size_t, steady_clock::time_point> direct;
        kalore::BoxSession session(box.box.Address(201), kalore::BoxSession::Transport::Udp, {});
        std::thread reading([&] {
            session.Run([] {},
                        [&](std::uint8_t* data, std::size_t size) {
                            const auto now = steady_clock::now();
                            std::lock_guard lock(mutex);
                            for (std::size_t at = 0; at < size; at += kalore::kTsPacketSize)
                                direct.emplace(std::hash<std::string_view>()(std::string_view(
                                                   reinterpret_cast<const char*>(data + at),
                                                   kalore::kTsPacketSize)),
                                               now);
                        });
        });
        RawReader relayed(relay.LocalAddress(box.box.Address(201)));
        std::this_thread::sleep_for(8s);
        session.Interrupt();
        reading.join();
        std::vector<double> delays;
        for (const auto& [hash, when] : relayed.PacketTimes())
            if (const auto same = direct.find(hash);
                same != direct.end() && when > relayed.Started() + 3s)
                delays.push_back(duration<double, std::milli>(when - same->second).count());
        std::sort(delays.begin(), delays.end());
        state.SetIterationTime(Median(delays) / 1000);
        std::printf("%s: packets %.1f ms later through the relay (median of %zu, 95th %.1f ms)\n",
                    box.name, Median(delays), delays.size(),
                    delays.empty() ? 0 : delays[delays.size() * 95 / 100]);
    }
}

BENCHMARK(BM_RelayAddedDelayPackets)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RelayAddedDelay)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A new reader's first key frame: joining a channel already read (a channel change
// back to a recorded channel), and opening one, against the moment the box sent
// that key frame (seen by a direct session of the box opened at the same time).
void BM_RelayFirstPicture(benchmark::State& state) {
    Box hd(true);
    if (!hd.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    std::vector<double> joined;
    std::vector<double> opened;
    for (auto _ : state) {
        kalore::Relay relay({});
        const std::string local = relay.LocalAddress(hd.box.Address(201));
        const auto start = steady_clock::now();
        std::atomic<bool> stop{false};
        std::mutex keysMutex;
        std::vector<steady_clock::time_point> directKeys;
        kalore::BoxSession direct(hd.box.Address(201), kalore::BoxSession::Transport::Udp, {});
        kalore::TsProgram program;
        std::thread directThread([&] {
            direct.Run([] {},
                       [&](std::uint8_t* data, std::size_t size) {
                           for (std::size_t at = 0; at < size; at += kalore::kTsPacketSize)
                               if (program.Inspect(data + at)) {
                                   std::lock_guard lock(keysMutex);
                                   directKeys.push_back(steady_clock::now());
                               }
                       });
        });
        auto first = std::make_unique<RawReader>(local);
        std::this_thread::sleep_for(5s);
        direct.Interrupt();
        directThread.join();
        // The key frame the box sent last before the relay's reader had its first one:
        // the relay can't give a picture before the box does.
        const auto firstKey = first->KeyFrameAfter(start);
        std::optional<steady_clock::time_point> boxKey;
        for (const auto when : directKeys)
            if (firstKey && when <= *firstKey + 5ms)
                boxKey = when;
        if (firstKey && boxKey) {
            opened.push_back(duration<double, std::milli>(*firstKey - *boxKey).count());
            std::printf("opening: first key frame %.0f ms after the request, %.0f ms after "
                        "the box sent it\n",
                        duration<double, std::milli>(*firstKey - start).count(), opened.back());
        }
        // Joining at a moment that falls anywhere in the group of pictures.
        std::this_thread::sleep_for(milliseconds(337 * static_cast<int>(joined.size() % 6)));
        RawReader second(local);
        std::this_thread::sleep_for(3s);
        const auto secondKey = second.KeyFrameAfter(second.Started());
        const auto nextKey = first->KeyFrameAfter(second.Started());
        if (secondKey && nextKey) {
            joined.push_back(duration<double, std::milli>(*secondKey - second.Started()).count());
            std::printf("joining: first key frame %.0f ms after the request; the stream's next "
                        "one came %.0f ms after it\n",
                        joined.back(),
                        duration<double, std::milli>(*nextKey - second.Started()).count());
        }
        state.SetIterationTime(joined.empty() ? 0 : joined.back() / 1000);
    }
    std::printf("first picture: joining %.0f ms, opening %.0f ms after the box sent the key "
                "frame (medians; goal: <= next key frame + 200 ms)\n",
                Median(joined), Median(opened));
}

BENCHMARK(BM_RelayFirstPicture)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// A channel change on a box that gives one stream, as the live view makes it: the
// old channel's reader goes, the relay is told, the new channel is asked for. Its
// first key frame against a fresh opening of the same channel.
void BM_RelayChannelChange(benchmark::State& state) {
    Box test(false, 1);
    if (!test.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    std::vector<double> changes;
    std::vector<double> fresh;
    const auto firstKeyFrame = [](RawReader& reader) -> std::optional<double> {
        for (int i = 0; i < 100; ++i) {
            if (const auto key = reader.KeyFrameAfter(reader.Started()))
                return duration<double, std::milli>(*key - reader.Started()).count();
            std::this_thread::sleep_for(50ms);
        }
        return std::nullopt;
    };
    for (auto _ : state) {
        {
            kalore::Relay relay({});
            RawReader alone(relay.LocalAddress(test.box.Address(202)));
            if (const auto key = firstKeyFrame(alone))
                fresh.push_back(*key);
        }
        std::this_thread::sleep_for(1s);
        kalore::Relay relay({});
        const std::string first = test.box.Address(201);
        auto watching = std::make_unique<RawReader>(relay.LocalAddress(first));
        std::this_thread::sleep_for(3s);
        watching.reset();
        relay.ViewerLeft(first);
        RawReader next(relay.LocalAddress(test.box.Address(202)));
        const auto key = firstKeyFrame(next);
        if (!key || fresh.empty()) {
            state.SkipWithError("no picture after the change");
            return;
        }
        changes.push_back(*key);
        state.SetIterationTime(*key / 1000);
        std::printf("channel change: first key frame after %.0f ms; a fresh opening %.0f ms\n",
                    changes.back(), fresh.back());
    }
    std::printf("channel change on a one-stream box: median %.0f ms, fresh opening %.0f ms "
                "(goal: no later than the fresh opening plus the box's TEARDOWN)\n",
                Median(changes), Median(fresh));
}

BENCHMARK(BM_RelayChannelChange)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// The box away for 3 s: how soon after it answers again the picture is back.
void BM_RelayOutageRecovery(benchmark::State& state) {
    Box test(false, 1);
    if (!test.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    std::vector<double> back;
    for (auto _ : state) {
        kalore::Relay::Options options;
        options.stallLimit = 20s;
        kalore::Relay relay(options);
        RawReader reader(relay.LocalAddress(test.box.Address(201)));
        std::this_thread::sleep_for(4s);
        test.box.Stop();
        std::this_thread::sleep_for(3s);
        if (!test.box.Start()) {
            state.SkipWithError("the RTSP test box did not come back");
            return;
        }
        const auto answering = steady_clock::now();
        std::this_thread::sleep_for(4s);
        const auto bytes = reader.BytesAfter(answering);
        const auto key = reader.KeyFrameAfter(answering);
        if (!bytes || !key) {
            state.SkipWithError("the stream did not come back");
            return;
        }
        back.push_back(duration<double, std::milli>(*key - answering).count());
        state.SetIterationTime(back.back() / 1000);
        std::printf("box back: stream after %.0f ms, picture (key frame) after %.0f ms\n",
                    duration<double, std::milli>(*bytes - answering).count(), back.back());
    }
    std::printf("picture back after an outage: median %.0f ms (goal: <= 1000 ms; the test "
                "picture has a key frame every second)\n",
                Median(back));
}

BENCHMARK(BM_RelayOutageRecovery)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// Interlaced HD through the relay: the same pictures per second of stream as read
// directly (the relay forwards the box's packets, never re-cut into frames).
void BM_RelayInterlacedHd(benchmark::State& state) {
    Box hd(true);
    if (!hd.box.Start()) {
        state.SkipWithError("the RTSP test box did not start");
        return;
    }
    const std::string folder = std::string(KALORE_BINARY_DIR) + "/bench/";
    for (auto _ : state) {
        kalore::Relay relay({});
        auto direct = Ffmpeg({"-rtsp_transport", "udp", "-i", hd.box.Address(201), "-t", "8", "-c",
                              "copy", "-y", folder + "hd-direct.ts"});
        auto relayed = Ffmpeg({"-i", relay.LocalAddress(hd.box.Address(201)), "-t", "8", "-c",
                               "copy", "-y", folder + "hd-relayed.ts"});
        direct->WaitFor(30000);
        relayed->WaitFor(30000);
        for (const char* name : {"hd-direct.ts", "hd-relayed.ts"}) {
            auto probe = ChildProcess::Start({"/usr/bin/ffprobe", "-v", "error", "-select_streams",
                                              "v", "-count_frames", "-show_entries",
                                              "stream=nb_read_frames,field_order:format=duration",
                                              "-of", "compact=p=0", folder + name})
                             .child;
            std::string text;
            char buffer[512];
            auto pipe = probe->TakeOutput();
            for (long n; (n = pipe->Read(buffer, sizeof buffer)) > 0;)
                text.append(buffer, static_cast<std::size_t>(n));
            probe->WaitFor(30000);
            std::replace(text.begin(), text.end(), '\n', ' ');
            std::printf("%s: %s\n", name, text.c_str());
        }
        state.SetIterationTime(1);
    }
}

BENCHMARK(BM_RelayInterlacedHd)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();

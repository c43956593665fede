// Pausing a live channel (figures, not a test). The loopback test channel carries its
// frame number in its picture; it plays with the live view's own libVLC options, media
// options and deinterlacing, drawn into memory, so that every frame libVLC shows is
// read back.
// Per sample, paused for 2 s then resumed: the frame shown at the pause, the first new
// frame after it (a step of 1: no frame skipped), how far behind live it then plays
// (beyond the player's own delay before the first pause) and how much of that this
// pause added. Then what a pause costs,
// over COST_SECONDS playing and as long paused: the process's processor time, and the
// growth of libVLC's files in the timeshift folder against the channel's rate.
// Usage: bench_pause_resume_gui [SAMPLES] [COST_SECONDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vlc/vlc.h>

#include "player/live_view.h"
#include "player/timeshift_folder.h"
#include "player/vlc_plugin.h"
#include "support/frame_stamp.h"
#include "test_channel.h"

namespace {

using Clock = std::chrono::steady_clock;
using kalore::testing::kStampedFramesPerSecond;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kFrameMs = 1000 / kStampedFramesPerSecond;
constexpr auto kPause = std::chrono::seconds(2);
constexpr auto kSettle = std::chrono::seconds(1);
constexpr double kBytesPerGB = 1e9;
constexpr double kHdChannelBitsPerSecond = 10e6;

struct ShownFrame {
    int number;
    Clock::time_point at;
};

// Every frame libVLC shows, read back from the picture it draws into memory.
class ShownFrames {
public:
    explicit ShownFrames(libvlc_media_player_t* player) : pixels_(kWidth * kHeight * 4) {
        libvlc_video_set_callbacks(player, &ShownFrames::Lock, nullptr, &ShownFrames::Display,
                                   this);
        libvlc_video_set_format(player, "RV32", kWidth, kHeight, kWidth * 4);
    }

    std::vector<ShownFrame> Since(Clock::time_point start) const {
        std::lock_guard lock(mutex_);
        std::vector<ShownFrame> since;
        std::copy_if(frames_.begin(), frames_.end(), std::back_inserter(since),
                     [&](const ShownFrame& frame) { return frame.at >= start; });
        return since;
    }
    ShownFrame Last() const {
        std::lock_guard lock(mutex_);
        return frames_.empty() ? ShownFrame{-1, Clock::now()} : frames_.back();
    }
    int Unreadable() const {
        std::lock_guard lock(mutex_);
        return unreadable_;
    }

private:
    static void* Lock(void* self, void** planes) {
        planes[0] = static_cast<ShownFrames*>(self)->pixels_.data();
        return nullptr;
    }
    static void Display(void* self, void*) { static_cast<ShownFrames*>(self)->Shown(); }
    void Shown() {
        const int number =
            kalore::testing::ReadFrameStamp(pixels_.data(), kWidth, kHeight, kWidth * 4);
        std::lock_guard lock(mutex_);
        if (number < 0) {
            ++unreadable_;
        } else if (frames_.empty() || frames_.back().number != number) {
            // libVLC draws a still picture again now and then: one entry per frame.
            frames_.push_back({number, Clock::now()});
        }
    }

    std::vector<unsigned char> pixels_;
    mutable std::mutex mutex_;
    std::vector<ShownFrame> frames_;
    int unreadable_ = 0;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// How late the frames are shown against their place in the stream's own time, in ms
// (the median: a frame now and then is shown a little early or late).
long long Delay(const std::vector<ShownFrame>& frames, Clock::time_point origin) {
    std::vector<long long> delays;
    for (const ShownFrame& frame : frames) {
        delays.push_back(
            std::chrono::duration_cast<std::chrono::milliseconds>(frame.at - origin).count() -
            static_cast<long long>(frame.number) * kFrameMs);
    }
    std::sort(delays.begin(), delays.end());
    return delays.empty() ? 0 : delays[delays.size() / 2];
}

// Bytes libVLC keeps in the timeshift folder. It unlinks its files as it makes them,
// so they are found through this process's open files; it opens each twice, to write
// and to read.
long long TimeshiftBytes() {
    const std::string folder = kalore::TimeshiftFolder() + "/";
    std::set<std::pair<dev_t, ino_t>> counted;
    long long total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        struct stat info {};
        if (!error && target.rfind(folder, 0) == 0 && stat(entry.path().c_str(), &info) == 0 &&
            counted.insert({info.st_dev, info.st_ino}).second) {
            total += info.st_size;
        }
    }
    return total;
}

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return time.tv_sec + time.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Window {
    double cpuShare;
    double readPerSecond;
    double keptPerSecond;
};

// The process's share of one core, and the bytes read and kept per second, over `length`.
Window Measure(libvlc_media_player_t* player, std::chrono::seconds length) {
    const double cpu = ProcessorSeconds();
    const long long read = kalore::ReadBytes(player);
    const long long kept = TimeshiftBytes();
    std::this_thread::sleep_for(length);
    const double seconds = static_cast<double>(length.count());
    return {(ProcessorSeconds() - cpu) / seconds, (kalore::ReadBytes(player) - read) / seconds,
            (TimeshiftBytes() - kept) / seconds};
}

long long Median(std::vector<long long> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Sample {
    int paused;
    int resumed;
    long long delayMs;
};

// One pause of kPause and its resume, or nothing when the player did not follow.
std::optional<Sample> PauseAndResume(libvlc_media_player_t* player, const ShownFrames& shown,
                                     Clock::time_point origin) {
    libvlc_media_player_set_pause(player, 1);
    if (!WaitFor([&] { return libvlc_media_player_get_state(player) == libvlc_Paused; },
                 std::chrono::seconds(5))) {
        std::fprintf(stderr, "the player did not pause\n");
        return std::nullopt;
    }
    std::this_thread::sleep_for(kPause);
    const ShownFrame paused = shown.Last();
    const auto resumedAt = Clock::now();
    libvlc_media_player_set_pause(player, 0);
    if (!WaitFor([&] { return shown.Last().number != paused.number; }, std::chrono::seconds(5))) {
        std::fprintf(stderr, "the player did not resume\n");
        return std::nullopt;
    }
    const int resumed = shown.Since(resumedAt).front().number;
    // Its pace once settled, the first frames after the resume aside.
    std::this_thread::sleep_for(2 * kSettle);
    return Sample{paused.number, resumed, Delay(shown.Since(resumedAt + kSettle), origin)};
}

// The frame-exact resume over `samples` pauses; false when the player did not follow.
bool PrintResumes(libvlc_media_player_t* player, const ShownFrames& shown, Clock::time_point origin,
                  int samples) {
    // The player's own delay, playing live before the first pause.
    std::this_thread::sleep_for(2 * kSettle);
    long long previous = Delay(shown.Since(Clock::now() - kSettle), origin);
    const long long live = previous;
    std::printf("frame at pause, first frame after resume, step, behind live (ms), added by "
                "this pause (ms)\n");
    std::vector<long long> steps;
    std::vector<long long> added;
    for (int i = 0; i < samples; ++i) {
        const auto sample = PauseAndResume(player, shown, origin);
        if (!sample) {
            return false;
        }
        steps.push_back(sample->resumed - sample->paused);
        added.push_back(sample->delayMs - previous);
        previous = sample->delayMs;
        std::printf("%d %d %lld %lld %lld\n", sample->paused, sample->resumed, steps.back(),
                    sample->delayMs - live, added.back());
        std::fflush(stdout);
    }
    const long long worstStep =
        *std::max_element(steps.begin(), steps.end(), [](long long a, long long b) {
            return std::abs(a - 1) < std::abs(b - 1);
        });
    std::printf("step: median %lld, worst %lld (1 = the next frame, no skip)\n", Median(steps),
                worstStep);
    std::printf("behind live added by each pause of %lld ms: median %lld ms, worst %lld ms\n",
                static_cast<long long>(std::chrono::milliseconds(kPause).count()), Median(added),
                *std::max_element(added.begin(), added.end()));
    std::printf("pictures without a frame number: %d\n", shown.Unreadable());
    return true;
}

// What a pause costs, over `length` playing then as long paused; false when nothing was
// kept while paused.
bool PrintCost(libvlc_media_player_t* player, std::chrono::seconds length) {
    const Window playing = Measure(player, length);
    libvlc_media_player_set_pause(player, 1);
    WaitFor([&] { return libvlc_media_player_get_state(player) == libvlc_Paused; },
            std::chrono::seconds(5));
    const Window paused = Measure(player, length);
    // Against what was read over the same seconds: the channel's rate varies.
    const double ratio = paused.keptPerSecond / paused.readPerSecond;
    std::printf("processor (user+sys, share of one core, over %lld s): playing %.1f %%, paused "
                "%.1f %%\n",
                static_cast<long long>(length.count()), 100 * playing.cpuShare,
                100 * paused.cpuShare);
    std::printf("channel read while paused: %.0f bytes/s (%.2f Mbit/s)\n", paused.readPerSecond,
                paused.readPerSecond * 8 / 1e6);
    std::printf("timeshift folder while paused: %.0f bytes/s, %.2f GB/h, %.2f x the channel's "
                "rate\n",
                paused.keptPerSecond, paused.keptPerSecond * 3600 / kBytesPerGB, ratio);
    std::printf("so a %.0f Mbit/s HD channel paused keeps about %.1f GB/h\n",
                kHdChannelBitsPerSecond / 1e6,
                ratio * kHdChannelBitsPerSecond / 8 * 3600 / kBytesPerGB);
    if (paused.keptPerSecond <= 0) {
        std::fprintf(stderr, "nothing was kept in %s while paused\n",
                     kalore::TimeshiftFolder().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto costLength = std::chrono::seconds(argc > 2 ? std::max(1, std::atoi(argv[2])) : 10);

    TestChannel channel(QString::fromStdString(kalore::testing::FrameStampedPicture()));
    if (!channel.Start()) {
        std::fprintf(stderr, "ffmpeg did not start\n");
        return 1;
    }
    // The live view's options; the sound goes nowhere, a bench makes no noise.
    std::vector<std::string> args = kalore::DefaultLibvlcArgs();
    args.push_back("--aout=dummy");
    std::vector<const char*> argvVlc;
    for (const std::string& arg : args) {
        argvVlc.push_back(arg.c_str());
    }
    libvlc_instance_t* vlc = libvlc_new(static_cast<int>(argvVlc.size()), argvVlc.data());
    if (vlc == nullptr) {
        std::fprintf(stderr, "libVLC did not start\n");
        return 1;
    }
    libvlc_media_t* media = libvlc_media_new_location(vlc, channel.Address().toUtf8().constData());
    if (media == nullptr) {
        std::fprintf(stderr, "libVLC refused %s\n", qPrintable(channel.Address()));
        libvlc_release(vlc);
        return 1;
    }
    for (const std::string& option : kalore::LiveMediaOptions()) {
        libvlc_media_add_option(media, option.c_str());
    }
    libvlc_media_player_t* player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    libvlc_video_set_deinterlace(player, kalore::kLiveDeinterlaceMode);
    const ShownFrames shown(player);
    libvlc_media_player_play(player);

    const auto origin = Clock::now();
    bool done = WaitFor([&] { return !shown.Since(origin).empty(); }, std::chrono::seconds(20));
    if (!done) {
        std::fprintf(stderr, "the channel did not play (%d pictures without a frame number)\n",
                     shown.Unreadable());
    }
    done = done && PrintResumes(player, shown, origin, samples) && PrintCost(player, costLength);
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_release(vlc);
    kalore::EmptyTimeshiftFolder();
    return done ? 0 : 1;
}

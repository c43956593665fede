// Benchmark (figures, not a test): how long the program's start takes to arm the
// trigger of the next recording (the set-up sequence's end, when the splash is
// hidden) and to show the main window, with the maker's site and the set-top box
// well-behaved on loopback, and under a dead name server, a black hole, a trickle
// and a slow playlist. Goal: both within 35 s of the splash whatever the network
// does, and the normal start where it was. Message boxes are answered at once (they
// wait for the user, whose reading time is not the network's).
//
// The whole start runs in this process on Qt's offscreen platform, as the program
// runs it (StartProgram), with the real libcurl. The process first moves into
// network namespaces of its own with a silent name server (Linux; without them the
// dead name server is left out).
//
// Usage: bench_startup_network_gui [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <httplib.h>
#include <poll.h>

#include "app/program_start.h"
#include "gui/message_box.h"
#include "support/loopback_servers.h"
#include "support/silent_name_server.h"
#include "support/temp_folder.h"

namespace {

using namespace kalore;
using Clock = std::chrono::steady_clock;

constexpr const char* kFreeAnswer = "78-1-2-3.fbx.proxad.net\r\n";

std::string Playlist() {
    std::string playlist = "#EXTM3U\n";
    for (int i = 1; i <= 300; ++i) {
        playlist += "#EXTINF:0," + std::to_string(i) + " - Chaine " + std::to_string(i) +
                    "\nrtsp://127.0.0.1/fbxtv_pub/stream?namespace=1&service=" + std::to_string(i) +
                    "\n";
    }
    return playlist;
}

// Sends a header, then a byte a second: the read time-out never runs out.
void Trickle(int connection, int stop) {
    testing::ReadRequestHead(connection);
    testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 60000\r\n\r\n");
    pollfd wait{stop, POLLIN, 0};
    while (::poll(&wait, 1, 1000) == 0) {
        testing::SendAll(connection, "#");
    }
}

void BlackHole(int connection, int stop) {
    testing::ReadRequestHead(connection);
    testing::WaitForHangUp(connection, stop);
}

// When the set-up ended (the splash hidden) and when the main window was shown.
class StartWatcher : public QObject {
public:
    Clock::time_point armed;
    Clock::time_point shown;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Hide && object->objectName() == "Form3") {
            armed = Clock::now();
        } else if (event->type() == QEvent::Show && object->objectName() == "Form1") {
            shown = Clock::now();
        }
        return false;
    }
};

struct Sample {
    double armed = 0;
    double shown = 0;
    bool triggerArmed = false;
    std::size_t messages = 0;
};

Sample StartOnce(const std::string& site, const std::string& box) {
    const testing::TempFolder folder("kalore-bench-start");
    const std::filesystem::path& dir = folder.Path();
    std::filesystem::create_directories(dir / "B");
    std::filesystem::create_directories(dir / "autostart");
    std::ofstream(dir / "B/kalore.ini", std::ios::binary)
        << "[Visual]\r\nlastRecordPath=\r\nvlcpath=\r\n[Connexion]\r\ninternetProvider=\r\n"
        << "[Web]\r\nsite=" << site << "\r\nbox=" << box << "\r\n";
    std::ofstream(dir / "B/listeTVforKalore.txt", std::ios::binary)
        << "1,TF1\r\nrtp://@232.0.1.1:8200\r\n";
    // An entry an hour ahead: the set-up arms the trigger for it.
    std::ofstream(dir / "B/recordslist", std::ios::binary)
        << "7\r\n3\r\nTF1\r\n"
        << QDateTime::currentDateTime()
               .addSecs(3600)
               .toString("dd/MM/yyyy\r\nHH:mm:ss")
               .toStdString()
        << "\r\n"
        << QDateTime::currentDateTime()
               .addSecs(3660)
               .toString("dd/MM/yyyy\r\nHH:mm:ss")
               .toStdString()
        << "\r\nProgramm\xE9\r\nH264\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    std::ofstream(dir / "B/recordsurlist", std::ios::binary) << "rtp://@232.0.1.1:8200\r\n";
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir); // the address answer file goes there

    MainWindowOptions options;
    options.programFolder = folder.Slashed();
    options.autostartFolder = (dir / "autostart").string();
    options.logFolder = (dir / "state").string();
    options.playerAvailable = [] {
        return true;
    };
    MessageBoxCapture messages;
    StartWatcher watcher;
    qApp->installEventFilter(&watcher);
    const auto start = Clock::now();
    std::unique_ptr<TForm1> window = StartProgram(options);
    qApp->removeEventFilter(&watcher);
    const auto seconds = [start](Clock::time_point t) {
        return std::chrono::duration<double>(t - start).count();
    };
    Sample sample{seconds(watcher.armed), seconds(watcher.shown),
                  window->findChild<QTimer*>("Timer1")->isActive(), messages.texts().size()};
    window.reset();
    std::filesystem::current_path(previous);
    return sample;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* condition, const std::string& site, const std::string& box, int runs) {
    std::vector<double> armed;
    std::vector<double> shown;
    bool allArmed = true;
    std::size_t messages = 0;
    for (int i = 0; i < runs; ++i) {
        const Sample s = StartOnce(site, box);
        armed.push_back(s.armed);
        shown.push_back(s.shown);
        allArmed = allArmed && s.triggerArmed;
        messages = s.messages;
    }
    std::printf("  %-34s armed %6.2f s (max %6.2f)   shown %6.2f s (max %6.2f)   %s, %zu "
                "message(s)\n",
                condition, Median(armed), *std::max_element(armed.begin(), armed.end()),
                Median(shown), *std::max_element(shown.begin(), shown.end()),
                allArmed ? "trigger armed" : "TRIGGER NOT ARMED", messages);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread: namespaces are for single-threaded processes.
    const bool isolated = testing::IsolateWithSilentNameServer();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    const std::string playlist = Playlist();
    testing::HttpTestServer answered([&playlist](httplib::Server& routes) {
        routes.Get("/lastVersionForSoft", [](const httplib::Request&, httplib::Response& r) {
            r.set_content("11\r\n", "text/plain");
        });
        routes.Get("/kaloregip.php", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(kFreeAnswer, "text/plain");
        });
        routes.Get("/freeboxtv/playlist.m3u",
                   [&playlist](const httplib::Request&, httplib::Response& r) {
                       r.set_content(playlist, "audio/x-mpegurl");
                   });
    });
    testing::RawTestServer blackHole(BlackHole);
    testing::RawTestServer trickle(Trickle);

    std::printf("start to trigger armed and to main window shown, median of %d (s):\n", runs);
    Report("normal loopback start", answered.Url(), answered.Url(), runs);
    if (isolated) {
        Report("dead name server", "http://kalore-site.test", "http://kalore-box.test", runs);
    } else {
        std::printf("  dead name server: left out, no network namespace allowed here\n");
    }
    Report("black hole (never answers)", blackHole.Url(), blackHole.Url(), runs);
    Report("trickle (a byte a second)", trickle.Url(), trickle.Url(), runs);
    Report("slow playlist (a byte a second)", answered.Url(), trickle.Url(), runs);
    return 0;
}

// The guide as the main window runs it: fetched from a loopback HTTP server on a
// worker thread, handed over to a main thread the test pumps, refreshed by its
// timer, and kept when an update fails.
#include "guide/guide.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>

#include "fakes.h"
#include "platform/atomic_file.h"
#include "queue_main_thread.h"
#include "support/loopback_servers.h"
#include "support/temp_folder.h"
#include "support/xmltv_sample.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;

// 7 December 2026, 20:00 in Paris.
constexpr UtcSeconds kEvening = 1796670000;

class GuideTest : public ::testing::Test {
protected:
    GuideTest() {
        std::filesystem::create_directory(folder_.Path() / "B");
        auto programmes = testing::Consecutive("TF1.fr", kEvening - 1800, 4, 60, "Journal");
        programmes[1].title = "Le Grand Film";
        guide_ = testing::SampleGuide(programmes);
    }

    std::unique_ptr<Guide> MakeGuide(const std::string& source) {
        GuideSettings settings;
        settings.source = source;
        auto guide = std::make_unique<Guide>(
            folder_.Slashed(), settings,
            GuideSeams{queue_, timer_, host_, [this] { return now_; }, {2000ms, 2000ms}});
        guide->onChanged = [this, g = guide.get()] {
            statuses_.push_back(g->StatusText());
        };
        return guide;
    }

    void StartAndWait(Guide& guide) {
        guide.Start({{"TF1", {}, {}}, {"France 2", {}, {}}, {"Inconnue", {}, {}}});
        WaitForUpdate(guide);
    }

    void WaitForUpdate(Guide& guide) {
        ASSERT_TRUE(queue_.PumpUntil([&] { return !guide.Updating(); }, 30s));
    }

    bool Seen(const std::string& part) const {
        return std::any_of(statuses_.begin(), statuses_.end(), [&](const std::string& status) {
            return status.find(part) != std::string::npos;
        });
    }

    bool Logged(const std::string& part) const {
        return std::any_of(host_.log.begin(), host_.log.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    bool Leftovers() const {
        const auto b = folder_.Path() / "B";
        return std::filesystem::exists(b / "guide.sqlite.new") ||
               std::filesystem::exists(b / "guide.sqlite.download");
    }

    testing::TempFolder folder_{"guide"};
    testing::QueueMainThread queue_;
    testing::FakeTimer timer_;
    testing::FakeHost host_;
    UtcSeconds now_ = kEvening;
    std::string guide_;
    int status_ = 200;
    std::string served_; // what /guide.xml answers when set, else the guide
    std::vector<std::string> statuses_;
    // The logos' server: each path's answer, and what was asked of it.
    std::map<std::string, std::pair<int, std::string>> logos_;
    std::vector<std::string> logoRequests_;
    std::mutex logoMutex_;
    testing::HttpTestServer server_{[this](httplib::Server& routes) {
        routes.Get("/logos/(.*)", [this](const httplib::Request& request, httplib::Response& r) {
            std::lock_guard lock(logoMutex_);
            logoRequests_.push_back(request.path);
            const auto found = logos_.find(request.path);
            r.status = found != logos_.end() ? found->second.first : 404;
            if (found != logos_.end()) {
                r.set_content(found->second.second, "image/png");
            }
        });
        routes.Get("/guide.xml", [this](const httplib::Request&, httplib::Response& r) {
            r.status = status_;
            r.set_content(served_.empty() ? guide_ : served_, "application/xml");
        });
        routes.Get("/guide.xml.gz", [this](const httplib::Request&, httplib::Response& r) {
            r.set_content(testing::Gzip(guide_), "application/gzip");
        });
    }};
};

TEST_F(GuideTest, FetchesAGzippedGuideInTheBackgroundAndShowsNowAndNext) {
    auto guide = MakeGuide(server_.Url() + "/guide.xml.gz");
    StartAndWait(*guide);

    ASSERT_TRUE(guide->HasGuide()) << guide->StatusText();
    EXPECT_FALSE(Leftovers());
    EXPECT_TRUE(Seen("Guide TV : téléchargement… 0,0 Mo"));
    EXPECT_NE(guide->StatusText().find("4 programmes, mis à jour le 07/12"), std::string::npos)
        << guide->StatusText();
    EXPECT_TRUE(Logged("Guide TV : 4 programmes gardés sur 4 lus ; 2 chaînes sur 3 ont un guide"));
    EXPECT_TRUE(Logged("Guide TV : sans guide : Inconnue"));

    const auto nowNext = guide->NowAndNext("TF1");
    ASSERT_EQ(nowNext.size(), 2u);
    EXPECT_EQ(nowNext[0].title, "Journal 1");
    EXPECT_EQ(nowNext[1].title, "Le Grand Film");
    EXPECT_TRUE(guide->NowAndNext("France 2").empty());
    EXPECT_EQ(guide->Search("GRAND film").size(), 1u);
    EXPECT_EQ(guide->KaloreNameOf("TF1.fr"), "TF1");
    EXPECT_EQ(guide->Day("TF1.fr", LocalDayStart(kEvening)).size(), 4u);
}

TEST_F(GuideTest, AFailedUpdateKeepsTheLastGoodGuideAndSaysWhy) {
    auto guide = MakeGuide(server_.Url() + "/guide.xml");
    StartAndWait(*guide);
    ASSERT_TRUE(guide->HasGuide());

    std::string deep = "<tv>"; // nested 100,000 levels: refused like an entity bomb
    for (int level = 0; level < 100000; ++level) {
        deep += "<x>";
    }
    std::string unknownZone = guide_; // every time in a zone no guide names
    for (std::size_t at = 0; (at = unknownZone.find(" +0100\"", at)) != std::string::npos;) {
        unknownZone.replace(at, 6, " XYZ");
    }
    const struct {
        int status;
        std::string body;
        const char* reason;
    } failures[] = {
        {500, "", "téléchargement impossible"},
        {200, guide_.substr(0, guide_.size() / 2), "guide incomplet"},
        {200, "<tv></tv>", "aucun programme"},
        {200, unknownZone, "aucun programme"},
        {200, deep, "le guide est imbriqué sur plus de 64 niveaux"},
    };
    for (const auto& f : failures) {
        status_ = f.status;
        served_ = f.body.empty() ? " " : f.body;
        guide->Refresh();
        WaitForUpdate(*guide);
        EXPECT_TRUE(guide->HasGuide()) << f.reason;
        EXPECT_EQ(guide->NowAndNext("TF1").size(), 2u) << f.reason;
        EXPECT_NE(guide->StatusText().find("échec de la dernière mise à jour"), std::string::npos);
        EXPECT_NE(guide->StatusText().find(f.reason), std::string::npos) << guide->StatusText();
        EXPECT_TRUE(Logged(std::string("Guide TV : échec de la mise à jour : ") + f.reason));
        EXPECT_FALSE(Leftovers());
    }
    EXPECT_TRUE(Logged("Guide TV : 4 programmes aux heures illisibles ignorés, par exemple « " +
                       testing::XmltvParisTime(kEvening - 1800).substr(0, 14) + " XYZ »"));
}

TEST_F(GuideTest, UpdatesOnlyWhenDue) {
    {
        // A store that can't be read is made again.
        std::ofstream(folder_.Path() / "B" / "guide.sqlite") << "damaged, not a database";
        auto guide = MakeGuide(server_.Url() + "/guide.xml");
        StartAndWait(*guide);
        EXPECT_TRUE(Logged("Guide TV : guide enregistré illisible"));
        EXPECT_TRUE(guide->HasGuide());
        EXPECT_TRUE(timer_.active);
        now_ += 11 * 3600;
        timer_.FireNow();
        EXPECT_FALSE(guide->Updating());
        now_ += 3600; // 12 hours, the default
        timer_.FireNow();
        EXPECT_TRUE(guide->Updating());
        WaitForUpdate(*guide);
    }
    // A new run with a fresh guide opens it and fetches nothing...
    {
        auto guide = MakeGuide(server_.Url() + "/guide.xml");
        guide->Start({{"TF1", {}, {}}});
        EXPECT_FALSE(guide->Updating());
        EXPECT_TRUE(guide->HasGuide());
    }
    // ...unless the source changed, or a channel of the box is in the guide
    // without its programmes.
    {
        auto guide = MakeGuide(server_.Url() + "/guide.xml.gz");
        guide->Start({{"TF1", {}, {}}});
        EXPECT_TRUE(guide->Updating());
        WaitForUpdate(*guide);
    }
    {
        auto guide = MakeGuide(server_.Url() + "/guide.xml.gz");
        guide->Start({{"TF1", {}, {}}, {"M6", {}, {}}});
        EXPECT_TRUE(guide->Updating());
        WaitForUpdate(*guide);
    }
}

TEST_F(GuideTest, ALocalFileIsReadWhereItIs) {
    std::ofstream(folder_.Path() / "B" / "mon-guide.xml") << guide_;
    auto guide = MakeGuide("B/mon-guide.xml");
    StartAndWait(*guide);
    EXPECT_TRUE(guide->HasGuide());
    EXPECT_TRUE(Seen("Guide TV : lecture… 0 programmes lus"));
    EXPECT_TRUE(std::filesystem::exists(folder_.Path() / "B" / "mon-guide.xml"));
}

TEST_F(GuideTest, WithoutASourceNothingIsFetchedAndTheStatusSaysHowToSetOne) {
    auto guide = MakeGuide("");
    guide->Start({{"TF1", {}, {}}});
    EXPECT_FALSE(guide->HasSource());
    EXPECT_FALSE(guide->Updating());
    EXPECT_FALSE(timer_.active);
    EXPECT_NE(guide->StatusText().find("source="), std::string::npos);
    EXPECT_NE(guide->StatusText().find("[Guide]"), std::string::npos);
}

TEST_F(GuideTest, SettingsKeepTheirDefaultsForWhatIsNotUnderstood) {
    EXPECT_EQ(LoadGuideSettings(folder_.Slashed()).settings.refreshHours, 12); // no file
    std::ofstream(folder_.Path() / "B" / "kalore.ini")
        << "[Visual]\r\nvlcpath=\r\n[Guide]\r\nsource=http://guide.test/fr.xml.gz?k=1\r\n"
           "refreshHours=6\r\npaddingBefore=-3\r\npaddingAfter=dix\r\n";
    const GuideSettingsRead read = LoadGuideSettings(folder_.Slashed());
    EXPECT_EQ(read.settings.source, "http://guide.test/fr.xml.gz?k=1");
    EXPECT_EQ(read.settings.refreshHours, 6);
    EXPECT_EQ(read.settings.paddingBeforeMinutes, 2);
    EXPECT_EQ(read.settings.paddingAfterMinutes, 10);
    ASSERT_EQ(read.warnings.size(), 2u);
    EXPECT_EQ(read.warnings[0],
              "Guide TV : valeur paddingBefore=-3 ignorée (de 0 à 240), 2 est gardé");

    EXPECT_EQ(LocalSourcePath("HTTPS://guide.test/a.xml", "/k/"), "");
    EXPECT_EQ(LocalSourcePath("file:///srv/tv.xml", "/k/"), "/srv/tv.xml");
    EXPECT_EQ(LocalSourcePath("/srv/tv.xml.gz", "/k/"), "/srv/tv.xml.gz");
    EXPECT_EQ(LocalSourcePath("B/tv.xml", "/k/"), "/k/B/tv.xml");
}

TEST_F(GuideTest, LogosOfTheChannelBoxsChannelsAreFetchedAndAFailureKeepsTheLastGoodOne) {
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "IHDR du logo";
    const std::string base = server_.Url() + "/logos/";
    guide_ = testing::SampleGuide(testing::Consecutive("TF1.fr", kEvening - 1800, 4, 60, "Journal"),
                                  {{"TF1.fr", base + "tf1.png"},
                                   {"France2.fr", base + "absent.png"},
                                   {"France3.fr", base + "page.png"},
                                   {"M6.fr", base + "huge.png"},
                                   {"CanalPlus.fr", base + "canal.png"}});
    logos_["/logos/tf1.png"] = {200, png};
    logos_["/logos/page.png"] = {200, "<html>Pas ici</html>"};
    logos_["/logos/huge.png"] = {200, png + std::string(kLogoCapBytes, 'x')};
    logos_["/logos/canal.png"] = {200, png};
    const std::string folder = LogoFolder(folder_.Slashed());
    std::filesystem::create_directories(folder);
    // Of a guide before, and a write a crash cut short: Kalore's names, tidied up.
    // What someone else put there stays.
    const std::string old = LogoFileName(folder, "Ancienne.fr");
    std::ofstream(old) << "d'un guide d'avant";
    std::ofstream(old + ".tmp") << "coupé";
    std::ofstream(folder + "/notes.txt") << "à moi";

    auto guide = MakeGuide(server_.Url() + "/guide.xml");
    guide->Start({{"TF1", {}, {}}, {"France 2", {}, {}}, {"France 3", {}, {}}, {"M6", {}, {}}});
    const auto logged = [&] {
        return Logged("logos de chaînes");
    };
    ASSERT_TRUE(queue_.PumpUntil(logged, 30s));
    EXPECT_TRUE(Logged("Guide TV : 1 logos de chaînes sur 4 à jour ; 3 introuvables ou refusés, "
                       "dont " +
                       base + "absent.png : The requested URL returned error: 404"));
    std::string kept;
    EXPECT_TRUE(ReadWholeFile(guide->LogoFile("TF1.fr"), kept));
    EXPECT_EQ(kept, png);
    for (const char* refused : {"France2.fr", "France3.fr", "M6.fr"}) {
        EXPECT_FALSE(FileExists(guide->LogoFile(refused))) << refused;
    }
    EXPECT_FALSE(FileExists(old));
    EXPECT_FALSE(FileExists(old + ".tmp"));
    EXPECT_TRUE(FileExists(folder + "/notes.txt"));
    EXPECT_EQ(std::count(logoRequests_.begin(), logoRequests_.end(), "/logos/canal.png"), 0);

    // The next update can't reach TF1's logo: the last good one stays and views re-read.
    logos_.erase("/logos/tf1.png");
    host_.log.clear();
    const int generation = guide->Generation();
    now_ += 25 * 3600;
    guide->Refresh();
    ASSERT_TRUE(queue_.PumpUntil(logged, 30s));
    EXPECT_TRUE(Logged("Guide TV : 0 logos de chaînes sur 4 à jour ; 4 introuvables"));
    EXPECT_TRUE(ReadWholeFile(guide->LogoFile("TF1.fr"), kept));
    EXPECT_EQ(kept, png);
    EXPECT_GT(guide->Generation(), generation + 1); // the new store, then its logos
}

TEST_F(GuideTest, ClosingDuringASlowLogoEndsItAtOnceAndTheNextStartFinishesTheFetch) {
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8);
    std::atomic<int> connections{0};
    testing::RawTestServer logos([&](int connection, int stopSignal) {
        testing::ReadRequestHead(connection);
        if (++connections > 1) {
            testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n" + png);
            return;
        }
        testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + png);
        // A byte now and then: no read time-out ends it, only the logo's own limit.
        pollfd stopped{stopSignal, POLLIN, 0};
        while (poll(&stopped, 1, 300) == 0 && send(connection, "x", 1, MSG_NOSIGNAL) == 1) {
        }
    });
    guide_ = testing::SampleGuide(testing::Consecutive("TF1.fr", kEvening, 2, 60, "Journal"),
                                  {{"TF1.fr", logos.Url() + "/tf1.png"}});
    auto guide = MakeGuide(server_.Url() + "/guide.xml");
    StartAndWait(*guide);
    ASSERT_TRUE(guide->HasGuide()); // in use while its logos are still on their way
    queue_.PumpFor(200ms);
    const auto before = std::chrono::steady_clock::now();
    guide.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
    EXPECT_FALSE(Logged("logos de chaînes"));

    // The guide isn't due at the next start, but its logos are.
    guide = MakeGuide(server_.Url() + "/guide.xml");
    guide->Start({{"TF1", {}, {}}});
    EXPECT_FALSE(guide->Updating());
    ASSERT_TRUE(queue_.PumpUntil([&] { return Logged("logos de chaînes"); }, 30s));
    EXPECT_TRUE(Logged("Guide TV : 1 logos de chaînes sur 1 à jour"));
    EXPECT_TRUE(FileExists(guide->LogoFile("TF1.fr")));
    // Fetched whole once, they aren't fetched again at the start after.
    guide = MakeGuide(server_.Url() + "/guide.xml");
    guide->Start({{"TF1", {}, {}}});
    queue_.PumpFor(300ms);
    EXPECT_EQ(connections, 2);
}

// B/logos made a link to another folder: nothing there is written or deleted.
TEST_F(GuideTest, ALinkedLogosFolderIsNeverFollowed) {
    guide_ = testing::SampleGuide(testing::Consecutive("TF1.fr", kEvening - 1800, 4, 60, "Journal"),
                                  {{"TF1.fr", server_.Url() + "/logos/tf1.png"}});
    logos_["/logos/tf1.png"] = {200, std::string("\x89PNG\r\n\x1a\n", 8)};
    const auto elsewhere = folder_.Path() / "photos";
    std::filesystem::create_directory(elsewhere);
    std::ofstream(elsewhere / "photo.jpg") << "à moi";
    std::ofstream(LogoFileName(elsewhere.string(), "France2.fr")) << "à moi aussi";
    std::filesystem::create_directory_symlink(elsewhere, LogoFolder(folder_.Slashed()));

    auto guide = MakeGuide(server_.Url() + "/guide.xml");
    guide->Start({{"TF1", {}, {}}});
    ASSERT_TRUE(queue_.PumpUntil([&] { return Logged("logos de chaînes"); }, 30s));
    EXPECT_TRUE(Logged("0 logos de chaînes sur 1 à jour ; 1 introuvables ou refusés, dont " +
                       LogoFolder(folder_.Slashed()) + " : pas un dossier de Kalore"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere),
                            std::filesystem::directory_iterator()),
              2);
    EXPECT_TRUE(FileExists(LogoFileName(elsewhere.string(), "France2.fr")));
}

TEST(ChannelLogos, OnlyPicturesAreKept) {
    for (const std::string& picture :
         {std::string("\x89PNG\r\n\x1a\n", 8), std::string("\xff\xd8\xff\xe0"),
          std::string("GIF89a"), std::string("RIFF\x10\0\0\0WEBPVP8 ", 16)}) {
        EXPECT_EQ(LogoRefusal(picture), "") << picture;
    }
    for (const std::string& other :
         {std::string(), std::string("<svg/>"), std::string("\x89PNG"),
          std::string("RIFF\x10\0\0\0WAVE", 12), std::string("<html>")}) {
        EXPECT_EQ(LogoRefusal(other), "pas une image") << other;
    }
    // A progressive JPEG costs a decode per scan: past the bound it is no logo. Each
    // scan's data may hold stuffed bytes and restarts, and a cut file ends early.
    const auto jpeg = [](int scans) {
        std::string bytes("\xff\xd8\xff\xe0\x00\x04JF", 8);
        for (int n = 0; n < scans; ++n) {
            bytes += std::string("\xff\xda\x00\x04\x01\x00", 6) + "ab\xff" + '\0' +
                     "\xff\xd3"
                     "cd";
        }
        return bytes + "\xff\xd9";
    };
    EXPECT_EQ(LogoRefusal(jpeg(kMaxJpegScans)), "");
    EXPECT_EQ(LogoRefusal(jpeg(kMaxJpegScans).substr(0, 300)), "");
    EXPECT_EQ(LogoRefusal(jpeg(kMaxJpegScans + 1)),
              "image JPEG de plus de 100 passes, refusée par sécurité");
    EXPECT_EQ(LogoRefusal(std::string("\xff\xd8\xff\xe0\x00\x01", 6)), "image JPEG illisible");
    EXPECT_EQ(LogoRefusal(std::string("\xff\xd8\xff\xe0\x00\x02zz", 8)), "image JPEG illisible");
    // Ids are the guide's text: their files stay in the folder, one per id.
    EXPECT_EQ(std::filesystem::path(LogoFileName("/k/B/logos", "../../etc/passwd")).parent_path(),
              "/k/B/logos");
    EXPECT_NE(LogoFileName("/k", "TF1.fr"), LogoFileName("/k", "TF1.fr "));
}

TEST_F(GuideTest, ClosingDuringASlowDownloadEndsItAtOnce) {
    testing::RawTestServer slow([](int connection, int stopSignal) {
        testing::ReadRequestHead(connection);
        testing::SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n<tv>");
        testing::WaitForHangUp(connection, stopSignal);
    });
    auto guide = MakeGuide(slow.Url() + "/guide.xml");
    guide->Start({{"TF1", {}, {}}});
    ASSERT_TRUE(guide->Updating());
    queue_.PumpFor(200ms);
    const auto before = std::chrono::steady_clock::now();
    guide.reset();
    // libcurl looks at the stop request at least once a second.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "B" / "guide.sqlite"));
}

} // namespace
} // namespace kalore

// The guide as the main window runs it: fetched from a loopback HTTP server on a
// worker thread, handed over to a main thread the test pumps, refreshed by its
// timer, and kept when an update fails.
#include "guide/guide.h"

#include <chrono>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <httplib.h>

#include "fakes.h"
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
    testing::HttpTestServer server_{[this](httplib::Server& routes) {
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
    const struct {
        int status;
        std::string body;
        const char* reason;
    } failures[] = {
        {500, "", "téléchargement impossible"},
        {200, guide_.substr(0, guide_.size() / 2), "guide incomplet"},
        {200, "<tv></tv>", "aucun programme"},
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

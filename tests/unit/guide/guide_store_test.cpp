#include "guide/guide_import.h"
#include "guide/guide_store.h"
#include "guide/recording_slots.h"
#include "guide/sqlite_database.h"

#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/xmltv_sample.h"

namespace kalore {
namespace {

using testing::Consecutive;
using testing::SampleProgramme;

// 7 December 2026, 20:00 in Paris.
constexpr UtcSeconds kEvening = 1796670000;

class GuideStoreTest : public ::testing::Test {
protected:
    GuideImportResult Import(const std::string& xml, std::vector<std::string> names) {
        std::ofstream(guide_, std::ios::binary) << xml;
        std::vector<KaloreChannel> channels;
        for (auto& name : names) {
            channels.push_back({std::move(name), {}, {}});
        }
        const ChannelMatcher matcher(std::move(channels), {});
        return ImportGuide(guide_, matcher, "http://guide.test/fr.xml", kEvening, store_, nullptr,
                           stop_);
    }

    testing::TempFolder folder_{"guide-store"};
    std::string guide_ = (folder_.Path() / "guide.xml").string();
    std::string store_ = (folder_.Path() / "guide.sqlite").string();
    std::atomic<bool> stop_{false};
};

TEST_F(GuideStoreTest, KeepsTheChannelBoxsProgrammesAndAnswersTheWindowsQueries) {
    std::vector<SampleProgramme> programmes =
        Consecutive("France2.fr", kEvening - 3600, 6, 50, "Journal");
    programmes[2].title = "Les Feux de l'Été";
    programmes[2].subTitle = "Épisode spécial";
    programmes[4].title = "Les Feux de l'Été";
    for (const auto& p : Consecutive("TF1.fr", kEvening, 3, 60, "Série")) {
        programmes.push_back(p);
    }
    for (const auto& p : Consecutive("M6.fr", kEvening, 3, 60, "Ailleurs")) {
        programmes.push_back(p);
    }
    const GuideImportResult result =
        Import(testing::SampleGuide(programmes), {"2 - France 2 (HD)", "TF1", "Inconnue"});
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.programmesRead, 12u);
    EXPECT_EQ(result.programmesKept, 9u); // M6 is not in the channel box
    EXPECT_EQ(result.channelsWithGuide, 2u);
    EXPECT_EQ(result.channelsWithout, std::vector<std::string>{"Inconnue"});

    // The file is in WAL mode: bytes 18 and 19 of its header say 2.
    std::ifstream file(store_, std::ios::binary);
    char header[20] = {};
    file.read(header, sizeof header);
    EXPECT_EQ(header[18], 2);
    EXPECT_EQ(header[19], 2);

    const GuideReader reader(store_);
    EXPECT_EQ(reader.Info().source, "http://guide.test/fr.xml");
    EXPECT_EQ(reader.Info().importedAt, kEvening);
    EXPECT_EQ(reader.Info().programmes, 9);
    const auto channels = reader.Channels();
    ASSERT_EQ(channels.size(), testing::SampleChannels().size()); // every declared channel
    EXPECT_EQ(channels[1].id, "France2.fr");
    EXPECT_EQ(channels[1].kaloreName, "2 - France 2 (HD)");
    EXPECT_EQ(channels[5].kaloreName, ""); // M6

    // The evening's programmes, one that began before included.
    const auto evening = reader.Between("France2.fr", kEvening, kEvening + 3 * 3600);
    ASSERT_EQ(evening.size(), 4u);
    EXPECT_EQ(evening[0].start, kEvening - 600);
    // Now and next at 20:00: the second one (19:50-20:40), then the third.
    const auto nowNext = reader.From("France2.fr", kEvening, 2);
    ASSERT_EQ(nowNext.size(), 2u);
    EXPECT_EQ(nowNext[0].title, "Journal 2");
    EXPECT_EQ(nowNext[1].title, "Les Feux de l'Été");
    EXPECT_EQ(reader.From("France2.fr", kEvening + 10 * 3600, 2).size(), 0u);

    // Searches ignore case and accents, on title and sub-title, words in any order.
    const auto titles = [](const std::vector<GuideProgramme>& found) {
        std::vector<std::string> t;
        for (const auto& p : found) {
            t.push_back(p.title + "|" + p.subTitle);
        }
        return t;
    };
    const std::vector<std::string> bothFeux = {"Les Feux de l'Été|Épisode spécial",
                                               "Les Feux de l'Été|"};
    EXPECT_EQ(titles(reader.Search({"feux", "ete"}, 0, 50)), bothFeux);
    EXPECT_EQ(titles(reader.Search({"special"}, 0, 50)), std::vector<std::string>{bothFeux[0]});
    EXPECT_EQ(titles(reader.Search({"l'e"}, 0, 50)), bothFeux);         // three characters
    EXPECT_EQ(titles(reader.Search({"ee", "feux"}, 0, 50)).size(), 0u); // two, with no match
    EXPECT_EQ(titles(reader.Search({"3"}, 0, 50)), std::vector<std::string>{"Série 3|"});
    // Short words alone are read in start order, up to the limit, from the given time.
    EXPECT_EQ(titles(reader.Search({"de"}, 0, 1)), std::vector<std::string>{bothFeux[0]});
    EXPECT_EQ(titles(reader.Search({"de"}, kEvening + 2 * 3600, 50)),
              std::vector<std::string>{bothFeux[1]});
    EXPECT_EQ(reader.Search({"journal"}, 0, 2).size(), 2u);                    // limited
    EXPECT_EQ(reader.Search({"journal"}, kEvening + 4 * 3600, 50).size(), 0u); // over
    EXPECT_EQ(reader.Search({"\"; DROP TABLE programme; --"}, 0, 50).size(), 0u);

    // Episodes: the same title on the same channel, from a time on.
    EXPECT_EQ(reader.WithTitle("France2.fr", "Les Feux de l'Été", 0).size(), 2u);
    EXPECT_EQ(reader.WithTitle("France2.fr", "Les Feux de l'Été", kEvening + 3600).size(), 1u);
    EXPECT_EQ(reader.WithTitle("TF1.fr", "Les Feux de l'Été", 0).size(), 0u);
}

TEST_F(GuideStoreTest, KeepsTheLogosOfTheChannelBoxsChannelsAndOlderStoresStillServe) {
    const std::string xml = testing::SampleGuide(
        Consecutive("TF1.fr", kEvening, 2, 30, "x"),
        {{"TF1.fr", "http://logos.test/tf1.png"}, {"M6.fr", "http://logos.test/m6.png"}});
    ASSERT_TRUE(Import(xml, {"TF1", "France 2"}).ok());
    const auto logos = GuideReader(store_).Logos();
    ASSERT_EQ(logos.size(), 1u); // M6 is not in the channel box, France 2 names none
    EXPECT_EQ(logos[0].guideId, "TF1.fr");
    EXPECT_EQ(logos[0].url, "http://logos.test/tf1.png");

    SqliteDatabase(store_, SqliteDatabase::Mode::OpenExisting).Exec("DROP TABLE channel_logo");
    const GuideReader older(store_);
    EXPECT_TRUE(older.Logos().empty());
    EXPECT_EQ(older.Between("TF1.fr", 0, kEvening + 86400).size(), 2u);
}

TEST_F(GuideStoreTest, AProgrammeWithoutStopEndsWhereTheNextBegins) {
    std::string xml = testing::SampleGuide(Consecutive("TF1.fr", kEvening, 2, 30, "Film"));
    // Leave the stops out: the first ends at the second's start, the last is dropped.
    for (std::size_t at; (at = xml.find(" stop=\"")) != std::string::npos;) {
        xml.erase(at, xml.find('"', at + 7) + 1 - at);
    }
    ASSERT_TRUE(Import(xml, {"TF1"}).ok());
    const auto kept = GuideReader(store_).Between("TF1.fr", 0, kEvening + 86400);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].stop, kEvening + 1800);
}

TEST_F(GuideStoreTest, AGuideThatKeepsNothingOrCantBeReadIsAnError) {
    EXPECT_EQ(
        Import(testing::SampleGuide(Consecutive("M6.fr", kEvening, 2, 30, "x")), {"TF1"}).error,
        "aucun programme pour les chaînes de Kalore");
    const std::string whole = testing::SampleGuide(Consecutive("TF1.fr", kEvening, 20, 30, "x"));
    const GuideImportResult cut = Import(whole.substr(0, whole.size() - 100), {"TF1"});
    EXPECT_NE(cut.error.find("guide incomplet"), std::string::npos) << cut.error;
    EXPECT_THROW(GuideReader reader((folder_.Path() / "missing.sqlite").string()), SqliteError);
    std::ofstream(store_, std::ios::binary) << "not a database at all, just some text";
    EXPECT_THROW(GuideReader reader(store_), SqliteError);
}

TEST(RecordingSlots, PadsEachProgrammeAndJoinsThoseThatWouldTouch) {
    const auto programme = [](UtcSeconds start, UtcSeconds stop) {
        GuideProgramme p;
        p.start = start;
        p.stop = stop;
        return p;
    };
    // Back to back, 2 minutes before and 10 after: the padded slots overlap.
    const auto joined = RecordingSlots(
        {programme(1000, 4000), programme(4000, 7000), programme(20000, 23000)}, 2, 10);
    ASSERT_EQ(joined.size(), 2u);
    EXPECT_EQ(joined[0].start, 1000 - 120);
    EXPECT_EQ(joined[0].stop, 7000 + 600);
    EXPECT_EQ(joined[0].programmes.size(), 2u);
    EXPECT_EQ(joined[1].start, 20000 - 120);
    // Touching padded bounds count as overlapping, as the schedule counts them.
    EXPECT_EQ(RecordingSlots({programme(0, 100), programme(100, 200)}, 0, 0).size(), 1u);
    EXPECT_EQ(RecordingSlots({programme(0, 100), programme(101, 200)}, 0, 0).size(), 2u);
}

} // namespace
} // namespace kalore

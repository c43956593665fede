#include "web/provider_detection.h"

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include "support/loopback_servers.h"
#include "web_test_support.h"

namespace kalore::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr const char* kNeither = "Votre fournisseur ADSL n'est ni ORANGE ni FREE\r"
                                 "Kalore n'inclura donc pas vos chaînes ADSL pour le moment!\r"
                                 "Kalore peut inclure d'autres chaînes!";

TEST(RecogniseProvider, MatchesCaseSensitivelyAnywhereAndOrangeWins) {
    const WebConfig config;
    EXPECT_EQ(RecogniseProvider("mtl93-1-82-231-10-40.fbx.proxad.net", config), "FREE");
    EXPECT_EQ(RecogniseProvider("ALyon-152-1-55-12.w83-195.abo.wanadoo.fr", config), "ORANGE");
    EXPECT_EQ(RecogniseProvider("x.proxad.net.abo.wanadoo.fr", config), "ORANGE");
    EXPECT_EQ(RecogniseProvider("x.abo.wanadoo.fr y.proxad.net", config), "ORANGE");
    EXPECT_EQ(RecogniseProvider("host.proxad.network.example", config), "FREE");
    EXPECT_EQ(RecogniseProvider("MTL93.FBX.PROXAD.NET", config), "");
    EXPECT_EQ(RecogniseProvider("box.sfr.net", config), "");
    EXPECT_EQ(RecogniseProvider("-1", config), "");

    WebConfig blank;
    blank.freeText.clear();
    blank.orangeText.clear();
    EXPECT_EQ(RecogniseProvider("anything", blank), "") << "an empty text matches nothing";
}

TEST(ReadAddressAnswer, GivesTheFirstLineOrMinusOne) {
    const std::string path = ::testing::TempDir() + "kalore-ipGlobal-test";
    const auto answerOf = [&path](const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
        return ReadAddressAnswer(path);
    };
    EXPECT_EQ(answerOf("a.proxad.net\r\nsecond"), "a.proxad.net");
    EXPECT_EQ(answerOf("a\rb\nc"), "ab");
    EXPECT_EQ(answerOf("last line"), "last line");
    EXPECT_EQ(answerOf("cut\x1A"
                       "after"),
              "cut");
    EXPECT_EQ(answerOf(""), "");
    EXPECT_EQ(answerOf(std::string(kAnswerCapBytes + 10, 'z')).size(), kAnswerCapBytes);
    std::remove(path.c_str());
    EXPECT_EQ(ReadAddressAnswer(path), "-1");
}

class ProviderDetection : public WebTest {
protected:
    std::string DetectWithAnswer(const std::string& body) {
        HttpTestServer server([&body](httplib::Server& s) {
            s.Get("/kaloregip.php", [&body](const httplib::Request&, httplib::Response& r) {
                r.set_content(body, "text/plain");
            });
        });
        config.site = server.Url();
        return DetectProvider(web, config);
    }
    WebConfig config;
};

TEST_F(ProviderDetection, RecognisesFreeAndLogsTheAnswer) {
    EXPECT_EQ(DetectWithAnswer("mtl93-1-82-231-10-40.fbx.proxad.net\r\n"), "FREE");
    EXPECT_THAT(host.messages, IsEmpty());
    EXPECT_THAT(host.log, ElementsAre("mtl93-1-82-231-10-40.fbx.proxad.net"));
    EXPECT_EQ(ReadFile("ipGlobal"), "mtl93-1-82-231-10-40.fbx.proxad.net\r\n");
    EXPECT_GE(pumps, 1) << "the window handles its messages before the download";
}

TEST_F(ProviderDetection, GivesOrangeWhenBothTextsOccur) {
    EXPECT_EQ(DetectWithAnswer("a.proxad.net.abo.wanadoo.fr"), "ORANGE");
    EXPECT_THAT(host.messages, IsEmpty());
}

TEST_F(ProviderDetection, FallsBackToOrangeWithTheMessageForAnyOtherProvider) {
    EXPECT_EQ(DetectWithAnswer("MTL93.FBX.PROXAD.NET"), "ORANGE");
    EXPECT_THAT(host.messages, ElementsAre(kNeither));
    EXPECT_THAT(host.log, ElementsAre("MTL93.FBX.PROXAD.NET"));
}

TEST_F(ProviderDetection, ReplacesTheAnswerFileOfTheLastStart) {
    std::ofstream("ipGlobal") << "old.abo.wanadoo.fr\nmore lines of the old answer\n";
    EXPECT_EQ(DetectWithAnswer("new.fbx.proxad.net"), "FREE");
    EXPECT_EQ(ReadFile("ipGlobal"), "new.fbx.proxad.net");
}

TEST_F(ProviderDetection, ReportsAFailedServiceAndLogsAnEmptyAnswer) {
    std::ofstream("ipGlobal") << "old.fbx.proxad.net\n";
    config.site = ClosedPortUrl();
    EXPECT_EQ(DetectProvider(web, config), "ORANGE");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_THAT(host.messages[0], StartsWith("Unknown error AAA03 : "));
    EXPECT_GT(host.messages[0].size(), std::string("Unknown error AAA03 : ").size());
    EXPECT_EQ(host.messages[1], kNeither);
    EXPECT_THAT(host.log, ElementsAre(""));
    EXPECT_EQ(ReadFile("ipGlobal"), "") << "the answer of the last start is not reused";
}

TEST_F(ProviderDetection, TreatsAnOverlongAnswerAsAFailedTransfer) {
    EXPECT_EQ(DetectWithAnswer(std::string(kAnswerCapBytes + 1, 'x') + ".fbx.proxad.net"),
              "ORANGE");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "Unknown error AAA03 : Answer larger than 65536 bytes");
    EXPECT_LE(std::filesystem::file_size("ipGlobal"), kAnswerCapBytes);
}

TEST_F(ProviderDetection, SaysSoWhenTheAnswerFileCannotBeCreated) {
    // A working directory that no longer exists refuses new files, even to root.
    const auto gone = folder / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);

    EXPECT_EQ(DetectWithAnswer("a.fbx.proxad.net"), "ORANGE");
    EXPECT_THAT(host.messages, ElementsAre("Erreur de connexion Internet au départ", kNeither));
    EXPECT_THAT(host.log, ElementsAre(""));
}

TEST_F(ProviderDetection, LogsAnInvalidAnswerAsValidText) {
    EXPECT_EQ(DetectWithAnswer("caf\xE9.proxad.net"), "FREE");
    ASSERT_EQ(host.log.size(), 1u);
    EXPECT_EQ(host.log[0], "caf\xEF\xBF\xBD.proxad.net");
}

} // namespace
} // namespace kalore::testing

#include "web/version_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include "support/loopback_servers.h"
#include "web_test_support.h"

namespace kalore::testing {
namespace {

using Outcome = VersionCheckResult::Outcome;

TEST(ParseVersionText, TrimsBlanksAndControlsThenWantsAWholeNumber) {
    EXPECT_EQ(ParseVersionText("12"), 12);
    EXPECT_EQ(ParseVersionText(" 12\r\n"), 12);
    EXPECT_EQ(ParseVersionText("\t+7\x01"), 7);
    EXPECT_EQ(ParseVersionText("-3"), -3);
    EXPECT_EQ(ParseVersionText(""), std::nullopt);
    EXPECT_EQ(ParseVersionText(" \r\n"), std::nullopt);
    EXPECT_EQ(ParseVersionText("abc"), std::nullopt);
    EXPECT_EQ(ParseVersionText("12a"), std::nullopt);
    EXPECT_EQ(ParseVersionText("1 2"), std::nullopt);
    EXPECT_EQ(ParseVersionText("+-3"), std::nullopt);
    EXPECT_EQ(ParseVersionText("99999999999"), std::nullopt);
}

class VersionCheck : public WebTest {
protected:
    VersionCheckResult CheckWithAnswer(const std::string& body) {
        HttpTestServer server([&body](httplib::Server& s) {
            s.Get("/lastVersionForSoft", [&body](const httplib::Request&, httplib::Response& r) {
                r.set_content(body, "text/plain");
            });
        });
        config.site = server.Url();
        return CheckVersion(web, config, 11);
    }
    WebConfig config;
};

TEST_F(VersionCheck, SaysNothingWhenThePublishedVersionIsNotNewer) {
    const VersionCheckResult result = CheckWithAnswer("11");
    EXPECT_EQ(result.outcome, Outcome::UpToDate);
    EXPECT_EQ(result.published, 11);
    EXPECT_EQ(CheckWithAnswer("3").outcome, Outcome::UpToDate);
    EXPECT_THAT(host.messages, ::testing::IsEmpty());
}

TEST_F(VersionCheck, ShowsTheNewVersionMessageWithTheMakersAddress) {
    config.makerAddress = "http://kalore.example/telecharger";
    for (const char* answer : {"12", " 12\r\n"}) {
        host.messages.clear();
        const VersionCheckResult result = CheckWithAnswer(answer);
        EXPECT_EQ(result.outcome, Outcome::NewerPublished);
        EXPECT_EQ(result.published, 12);
        EXPECT_THAT(host.messages,
                    ::testing::ElementsAre(
                        "Une nouvelle version du logicielle est disponible.\r\r"
                        "Merci d'installer la dernière version pour plus de fonctionalités, "
                        "de stabilité et sans erreurs.\r\r"
                        "Télécharger la dernière version sur : http://kalore.example/telecharger"));
    }
}

TEST_F(VersionCheck, EndsSilentlyOnATextThatIsNoNumber) {
    EXPECT_EQ(CheckWithAnswer("abc").outcome, Outcome::NotANumber);
    EXPECT_EQ(CheckWithAnswer("").outcome, Outcome::NotANumber);
    EXPECT_EQ(CheckWithAnswer("erreur").outcome, Outcome::NotANumber);
    EXPECT_THAT(host.messages, ::testing::IsEmpty());
}

TEST_F(VersionCheck, EndsSilentlyWhenTheServiceFails) {
    HttpTestServer server([](httplib::Server&) {});
    config.site = server.Url();
    EXPECT_EQ(CheckVersion(web, config, 11).outcome, Outcome::FetchFailed);
    config.site = ClosedPortUrl();
    EXPECT_EQ(CheckVersion(web, config, 11).outcome, Outcome::FetchFailed);
    EXPECT_THAT(host.messages, ::testing::IsEmpty());
    EXPECT_THAT(host.log, ::testing::IsEmpty());
}

} // namespace
} // namespace kalore::testing

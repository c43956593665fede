#include "guide/channel_mapping.h"
#include "guide/channel_matcher.h"
#include "guide/channel_names.h"
#include "guide/playlist_hints.h"

#include <gtest/gtest.h>

#include "channels/channel_file.h"
#include "channels/channel_list.h"
#include "channels/text_after_comma.h"
#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "support/xmltv_sample.h"

namespace kalore {
namespace {

std::vector<GuideChannel> SampleGuideChannels() {
    std::vector<GuideChannel> channels;
    for (const auto& [id, name] : testing::SampleChannels()) {
        channels.push_back({id, {name}});
    }
    return channels;
}

std::vector<std::optional<std::string>> MatchNames(const std::vector<std::string>& names,
                                                   const ChannelMapping& mapping = {}) {
    std::vector<KaloreChannel> channels;
    for (const auto& name : names) {
        channels.push_back({name, {}, {}});
    }
    return ChannelMatcher(channels, mapping).Match(SampleGuideChannels());
}

TEST(ChannelKey, IgnoresWhatDiffersBetweenListsAndGuides) {
    for (const char* same :
         {"France 2", "FRANCE 2", "France2", "2 - France 2 (HD)", "2 - France 2 (bas débit)",
          "France 2 HD", "France 2 [SD]", "  france  2 ", "2. France 2"}) {
        EXPECT_EQ(ChannelKey(same), "france2") << same;
    }
    EXPECT_EQ(ChannelKey("Canal+"), "canalplus");
    EXPECT_EQ(ChannelKey("Canal Plus HD"), "canalplus");
    EXPECT_EQ(ChannelKey("L'Équipe"), "lequipe");
    EXPECT_EQ(ChannelKey("Chérie 25"), "cherie25");
    EXPECT_EQ(ChannelKey("franceinfo:"), "franceinfo");
    // Numbers that belong to the name stay.
    EXPECT_EQ(ChannelKey("6ter"), "6ter");
    EXPECT_EQ(ChannelKey("13 - 13ème Rue"), "13emerue");
    EXPECT_EQ(ChannelKey("HD1"), "hd1");
    // A name made only of marks keeps them rather than becoming nothing.
    EXPECT_EQ(ChannelKey("HD"), "hd");
    EXPECT_EQ(IdStem("France2.fr"), "France2");
}

// Every channel of the supplied Orange list finds its guide channel by name alone.
TEST(ChannelMatcher, EveryChannelOfTheSuppliedOrangeListFindsItsGuideChannel) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(KALORE_SOURCE_DIR "/channels/data/listeTVforKalore.txt", bytes));
    ChannelList list;
    ReadChannelPairs(Win1252ToUtf8(bytes), list, TextAfterComma);
    ASSERT_GE(list.names.size(), 20u);
    const auto matches = MatchNames({list.names.begin(), list.names.end()});
    for (std::size_t i = 0; i < matches.size(); ++i) {
        EXPECT_TRUE(matches[i].has_value()) << list.names[i];
    }
    EXPECT_EQ(matches[1], "France2.fr");
}

TEST(ChannelMatcher, SetTopBoxNamesFindTheirChannelAndNoOther) {
    const auto matches = MatchNames({"2 - France 2 (HD)", "2 - France 2 (bas débit)",
                                     "3 - France 3", "4 - Canal+ (HD)", "13 - LCP (HD)",
                                     "Public Sénat", "15 - BFM TV", "99 - Chaîne inconnue"});
    EXPECT_EQ(matches, (std::vector<std::optional<std::string>>{
                           "France2.fr", "France2.fr", "France3.fr", "CanalPlus.fr", "LCP.fr",
                           "LCP.fr", "BFMTV.fr", std::nullopt}));
}

TEST(ChannelMatcher, PlaylistHintsThenTheMappingWin) {
    const std::string playlist = "#EXTM3U\n"
                                 "#EXTINF:-1 tvg-id=\"M6.fr\" tvg-name=\"M6\",Ma chaîne six\n"
                                 "http://box/6\n"
                                 "#EXTINF:-1 tvg-name=\"W9\",Neuf\nhttp://box/9\n"
                                 "#EXTINF:-1,TF1\nhttp://box/1\n";
    const std::vector<KaloreChannel> channels =
        KaloreChannelsOf({"Ma chaîne six", "Neuf", "TF1", "France 3 (HD)"}, playlist);
    EXPECT_EQ(channels[0].tvgId, "M6.fr");
    EXPECT_EQ(channels[1].tvgName, "W9");
    EXPECT_TRUE(channels[2].tvgId.empty());

    const ChannelMappingRead mapping = ParseChannelMapping("# mes réglages\n"
                                                           "France 3 = France3Alpes.fr\n"
                                                           "TF1 =\n"
                                                           "une ligne sans signe égal\n");
    ASSERT_EQ(mapping.warnings.size(), 1u);
    EXPECT_NE(mapping.warnings[0].find("ligne 4"), std::string::npos);
    const auto matches = ChannelMatcher(channels, mapping.mapping).Match(SampleGuideChannels());
    EXPECT_EQ(matches, (std::vector<std::optional<std::string>>{"M6.fr", "W9.fr", std::nullopt,
                                                                "France3Alpes.fr"}));
}

TEST(ChannelMatcher, TheFirstDeclaredOfTwoAlikeWins) {
    const std::vector<GuideChannel> guide = {{"A.fr", {"Arte"}}, {"B.fr", {"ARTE HD"}}};
    EXPECT_EQ(ChannelMatcher({{"Arte", {}, {}}}, {}).Match(guide)[0], "A.fr");
}

} // namespace
} // namespace kalore

#include "channels/channel_file.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "channels/channel_list.h"
#include "channels/text_after_comma.h"
#include "fakes/fakes.h"
#include "platform/code_page.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

using kalore::testing::FakeHost;

std::vector<std::string> Texts(const TextList& list) {
    return {list.begin(), list.end()};
}

ChannelList ReadOrange(const std::string& content) {
    ChannelList list;
    ReadChannelPairs(content, list, TextAfterComma);
    return list;
}

TEST(TextAfterComma, TakesEverythingAfterTheFirstComma) {
    EXPECT_EQ(TextAfterComma("1,TF1"), "TF1");
    EXPECT_EQ(TextAfterComma("#EXTINF:0,2 - France 2, HD"), "2 - France 2, HD");
    EXPECT_EQ(TextAfterComma("rtp://@232.0.1.1:8200"), "rtp://@232.0.1.1:8200");
    EXPECT_EQ(TextAfterComma("12,"), "");
    EXPECT_EQ(Utf8TextAfterComma("1,Chérie 25"), "Chérie 25");
    EXPECT_EQ(Utf8TextAfterComma("1,日本 œ"), "?? œ"); // œ exists in Windows-1252
    EXPECT_EQ(Utf8TextAfterComma("1,a\xFF"), "a?");
}

TEST(TextAfterComma, SurvivalIsNeverClaimedForTextTheCodePageChanges) {
    // Letters the code page holds as they stand, holds elsewhere (the euro sign),
    // lacks, or that are not UTF-8 at all, at each offset around the check's
    // eight-byte steps, and cut right after them.
    const std::vector<std::pair<std::string, bool>> letters = {
        {"\xC3\xA9", true},      {"\xC2\xA0", true}, {"\xC2\x80", false}, {"\xE2\x82\xAC", false},
        {"\xE6\x97\xA5", false}, {"\xC3", false},    {"\xFF", false},     {"\xC3(", false}};
    for (const auto& [letter, holds] : letters) {
        for (std::size_t at = 0; at < 20; ++at) {
            std::string text(20, 'a');
            text.insert(at, letter);
            EXPECT_EQ(SurvivesWindows1252(text), holds) << at << " " << text;
            for (const std::string& piece : {text, text.substr(0, at + 1)}) {
                if (SurvivesWindows1252(piece)) {
                    EXPECT_EQ(Win1252ToUtf8(Utf8ToWin1252(piece)), piece) << at;
                }
            }
        }
    }
}

TEST(ChannelPairs, LineEndsCarriageReturnsAndCtrlZ) {
    {
        const ChannelList list = ReadOrange("1,TF1\r\nrtp://a\r\n2,M6\nrtp://b");
        EXPECT_EQ(Texts(list.names), (std::vector<std::string>{"TF1", "M6"}));
        EXPECT_EQ(Texts(list.addresses), (std::vector<std::string>{"rtp://a", "rtp://b"}));
    }
    { // a lone CR is dropped from the line, not a line end
        const ChannelList list = ReadOrange("1,T\rF1\nrtp://a\r\r\n");
        EXPECT_EQ(Texts(list.names), std::vector<std::string>{"TF1"});
        EXPECT_EQ(Texts(list.addresses), std::vector<std::string>{"rtp://a"});
    }
    { // Ctrl-Z ends the file
        const ChannelList list = ReadOrange("1,TF1\nrtp://a\n\x1A"
                                            "2,M6\nrtp://b\n");
        EXPECT_EQ(list.names.size(), 1u);
    }
    { // no line-length limit
        const std::string longName(1 << 20, 'x');
        const ChannelList list = ReadOrange("1," + longName + "\nrtp://a\n");
        EXPECT_EQ(list.names.at(0).size(), longName.size());
    }
}

TEST(ChannelPairs, NamesAndAddressesNeverFallOutOfStep) {
    { // an odd line count: the last description has no address and adds nothing
        const ChannelList list = ReadOrange("1,TF1\nrtp://a\n2,M6\n");
        EXPECT_EQ(Texts(list.names), std::vector<std::string>{"TF1"});
        EXPECT_EQ(Texts(list.addresses), std::vector<std::string>{"rtp://a"});
    }
    { // blank lines are not lines of a pair, an empty first line included
        const ChannelList list = ReadOrange("\n1,TF1\n\nrtp://a\n\n");
        EXPECT_EQ(Texts(list.names), std::vector<std::string>{"TF1"});
        EXPECT_EQ(Texts(list.addresses), std::vector<std::string>{"rtp://a"});
        EXPECT_EQ(list.selectedIndex, 0);
        EXPECT_EQ(list.nameText, "TF1");
        EXPECT_EQ(list.SelectedAddress(), "rtp://a");
    }
    { // a non-empty line whose text is empty still makes its item
        const ChannelList list = ReadOrange("7,\nrtp://a\n");
        EXPECT_EQ(Texts(list.names), std::vector<std::string>{""});
    }
    { // nothing read: nothing selected
        const ChannelList list = ReadOrange("");
        EXPECT_EQ(list.selectedIndex, -1);
        EXPECT_EQ(list.SelectedAddress(), "");
    }
}

TEST(ChannelPairs, SelectedAddressIsEmptyForAnIndexNamingNoItem) {
    ChannelList list = ReadOrange("1,TF1\nrtp://a\n");
    list.selectedIndex = -1;
    EXPECT_EQ(list.SelectedAddress(), "");
    list.selectedIndex = 5;
    EXPECT_EQ(list.SelectedAddress(), "");
    // A channel is named by its address; an address of no channel names itself.
    EXPECT_EQ(list.NameOf("rtp://a"), "TF1");
    EXPECT_EQ(list.NameOf("rtp://b"), "rtp://b");
}

class ChannelFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(folder_.Path() / "B"); }

    std::string Folder() const { return folder_.Slashed(); }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_.Path() / "B" / name, std::ios::binary) << bytes;
    }

    const testing::TempFolder folder_{"kalore-channels"};
    FakeHost host_;
    ChannelList list_;
};

TEST_F(ChannelFiles, FreePlaylistReadsOneChannelPerEntry) {
    Write("listeTVFreeforKalore.txt",
          "#EXTM3U\n"
          "#EXTINF:0,2 - France 2 (HD)\n"
          "#EXTVLCOPT:network-caching=1000\n"
          "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=201&flavour=hd\n"
          "#EXTINF:0,5 - France 5 \xC3\xA9t\xC3\xA9\n"
          "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=203\n");
    EXPECT_TRUE(LoadFreeChannelList(Folder(), list_, host_, "site"));
    EXPECT_EQ(Texts(list_.names),
              (std::vector<std::string>{"2 - France 2 (HD)", "5 - France 5 été"}));
    EXPECT_EQ(list_.addresses.at(0),
              "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=201&flavour=hd");
    EXPECT_EQ(list_.selectedIndex, 0);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ChannelFiles, FreeNamesGoThroughTheCodePageEvenWhenMostOfTheFileNeedsNot) {
    const std::string content = "#EXTM3U\n"
                                "#EXTINF:0,1 - T\xC3\xA9l\xC3\xA9\n"
                                "rtsp://a\n"
                                "#EXTINF:0,2 - \xE6\x97\xA5 \xE2\x82\xAC\n"
                                "rtsp://b\xFF\r\n";
    Write("listeTVFreeforKalore.txt", content);
    ASSERT_TRUE(LoadFreeChannelList(Folder(), list_, host_, "site"));
    EXPECT_EQ(Texts(list_.names), (std::vector<std::string>{"1 - Télé", "2 - ? €"}));
    EXPECT_EQ(Texts(list_.addresses), (std::vector<std::string>{"rtsp://a", "rtsp://b?"}));
}

TEST_F(ChannelFiles, FreeFileFirstLineIsDiscardedWhateverItHolds) {
    Write("listeTVFreeforKalore.txt", "1,TF1\nrtp://a\n2,M6\nrtp://b\n");
    EXPECT_TRUE(LoadFreeChannelList(Folder(), list_, host_, "site"));
    // The pairs shift by one line: what follows is read as it stands.
    EXPECT_EQ(Texts(list_.names), std::vector<std::string>{"rtp://a"});
    EXPECT_EQ(Texts(list_.addresses), std::vector<std::string>{"M6"});
    Write("listeTVFreeforKalore.txt", "1,TF1");
    ChannelList one;
    EXPECT_TRUE(LoadFreeChannelList(Folder(), one, host_, "site"));
    EXPECT_TRUE(one.names.empty());
    Write("listeTVFreeforKalore.txt", "");
    EXPECT_TRUE(LoadFreeChannelList(Folder(), one, host_, "site"));
    EXPECT_TRUE(one.names.empty());
}

TEST_F(ChannelFiles, OrangeFileIsWindows1252) {
    Write("listeTVforKalore.txt", "24,RMC D\xE9"
                                  "couverte\r\nrtp://@232.0.3.24:8200\r\n");
    EXPECT_TRUE(LoadOrangeChannelList(Folder(), list_, host_, "site"));
    EXPECT_EQ(Texts(list_.names), std::vector<std::string>{"RMC Découverte"});
}

TEST_F(ChannelFiles, MissingFilesNameTheFullPathTried) {
    EXPECT_FALSE(LoadOrangeChannelList(Folder(), list_, host_, "http://example.invalid"));
    EXPECT_FALSE(LoadFreeChannelList(Folder(), list_, host_, "http://example.invalid"));
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[0], "Fichier chaines Orange introuvable (**" + Folder() +
                                     "B/listeTVforKalore.txt**), merci de contacter "
                                     "http://example.invalid");
    EXPECT_EQ(host_.messages[1], "Fichier chaines Free introuvable (**" + Folder() +
                                     "B/listeTVFreeforKalore.txt**), merci de contacter "
                                     "http://example.invalid");
    EXPECT_TRUE(list_.names.empty());
    EXPECT_FALSE(AppendOrangeChannelLinesWhole(Folder(), list_).ok());
}

TEST_F(ChannelFiles, FilesOverTheCapAreRefusedWithAMessage) {
    const std::string pair = "1,TF1\r\nrtp://a\r\n";
    const std::string big(kChannelFileCapBytes + 1 - pair.size(), '#');
    Write("listeTVforKalore.txt", pair + big);
    Write("listeTVFreeforKalore.txt", "#EXTM3U\n" + pair + big);
    EXPECT_FALSE(LoadOrangeChannelList(Folder(), list_, host_, "site"));
    EXPECT_FALSE(LoadFreeChannelList(Folder(), list_, host_, "site"));
    const FileResult appended = AppendOrangeChannelLinesWhole(Folder(), list_);
    ASSERT_EQ(host_.messages.size(), 2u);
    EXPECT_EQ(host_.messages[0], "Le fichier de chaînes " + Folder() +
                                     "B/listeTVforKalore.txt est trop volumineux (17 Mo, au plus "
                                     "16 Mo) : ses chaînes ne sont pas chargées.");
    EXPECT_NE(host_.messages[1].find("listeTVFreeforKalore.txt est trop volumineux"),
              std::string::npos);
    EXPECT_EQ(appended.error, host_.messages[0]);
    EXPECT_TRUE(list_.names.empty());

    Write("listeTVforKalore.txt", pair + big.substr(8)); // at the cap: read
    EXPECT_TRUE(LoadOrangeChannelList(Folder(), list_, host_, "site"));
    EXPECT_EQ(Texts(list_.names), std::vector<std::string>{"TF1"});
}

TEST_F(ChannelFiles, DeveloperReloadAppendsWholeLines) {
    Write("listeTVforKalore.txt", "1,TF1\r\nrtp://a\r\n");
    ASSERT_TRUE(LoadOrangeChannelList(Folder(), list_, host_, "site"));
    ASSERT_TRUE(AppendOrangeChannelLinesWhole(Folder(), list_).ok());
    EXPECT_EQ(Texts(list_.names), (std::vector<std::string>{"TF1", "1,TF1"}));
    EXPECT_EQ(Texts(list_.addresses), (std::vector<std::string>{"rtp://a", "rtp://a"}));
}

TEST_F(ChannelFiles, SuppliedOrangeListLoads) {
    std::filesystem::copy_file(std::filesystem::path(KALORE_SOURCE_DIR) /
                                   "channels/data/listeTVforKalore.txt",
                               folder_.Path() / "B/listeTVforKalore.txt");
    ChannelList supplied;
    ASSERT_TRUE(LoadOrangeChannelList(Folder(), supplied, host_, "site"));
    EXPECT_EQ(supplied.names.at(0), "TF1");
    EXPECT_EQ(supplied.names.size(), supplied.addresses.size());
    EXPECT_GE(supplied.names.size(), 20u);
    for (const std::string_view address : supplied.addresses) {
        EXPECT_TRUE(address.starts_with("rtp://@232.")) << address;
    }
}

TEST(DeveloperIndexLines, LogTheSelectionFourWays) {
    ChannelList list = ReadOrange("1,France 2 HD\nrtp://a\n");
    EXPECT_EQ(SelectedIndexLogLines(list),
              (std::vector<std::string>{"0", "France 2 HD", "**2 HD**", "France 2 HD"}));
    list.selectedIndex = -1;
    EXPECT_EQ(SelectedIndexLogLines(list), (std::vector<std::string>{"-1", "", "****", ""}));
}

} // namespace
} // namespace kalore

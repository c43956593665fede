#include "web/free_playlist.h"

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include "channels/channel_file.h"
#include "support/loopback_servers.h"
#include "web_test_support.h"

namespace kalore::testing {
namespace {

using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

constexpr const char* kPlaylist = "#EXTM3U\n"
                                  "#EXTINF:0,2 - France 2 (HD)\n"
                                  "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1\n"
                                  "#EXTINF:0,3 - Télé\r\n"
                                  "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=3\r\n";

class FreePlaylist : public WebTest {
protected:
    void SetUp() override {
        WebTest::SetUp();
        std::filesystem::create_directory(folder / "B");
        programFolder = folder.string() + "/";
        list = folder / "B" / "listeTVFreeforKalore.txt";
    }
    void KeepAnOldList() { std::ofstream(list, std::ios::binary) << "#EXTM3U\nold\nrtsp://old\n"; }
    FileResult DownloadFrom(const std::string& box) {
        config.box = box;
        return DownloadFreePlaylist(web, config, programFolder);
    }
    void ExpectOneAaa03() {
        ASSERT_THAT(host.messages, SizeIs(1));
        EXPECT_THAT(host.messages[0], StartsWith("Unknown error AAA03 : "));
    }
    void ExpectNoTemporaryLeft() { EXPECT_FALSE(std::filesystem::exists(list.string() + ".tmp")); }

    WebConfig config;
    std::string programFolder;
    std::filesystem::path list;
    HttpTestServer box{[](httplib::Server& s) {
        s.Get("/freeboxtv/playlist.m3u", [](const httplib::Request&, httplib::Response& r) {
            r.set_redirect("/stored/playlist.m3u");
        });
        s.Get("/stored/playlist.m3u", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(kPlaylist, "audio/x-mpegurl");
        });
        s.Get("/huge/freeboxtv/playlist.m3u", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(std::string(kChannelFileCapBytes + 1, '#'), "audio/x-mpegurl");
        });
    }};
};

TEST_F(FreePlaylist, StoresThePlaylistByteForByteThroughARedirect) {
    KeepAnOldList();
    EXPECT_TRUE(DownloadFrom(box.Url()).ok());
    EXPECT_EQ(ReadFile(list), kPlaylist);
    EXPECT_THAT(host.messages, IsEmpty());
    EXPECT_GE(pumps, 1);
    ExpectNoTemporaryLeft();
}

TEST_F(FreePlaylist, KeepsTheLastGoodListWhenTheBoxIsUnreachableOrMissingTheList) {
    KeepAnOldList();
    EXPECT_TRUE(DownloadFrom(ClosedPortUrl()).ok());
    ExpectOneAaa03();
    host.messages.clear();
    EXPECT_TRUE(DownloadFrom(box.Url() + "/nothing-here").ok());
    ExpectOneAaa03();
    EXPECT_THAT(host.messages[0], ::testing::HasSubstr("404"));
    EXPECT_EQ(ReadFile(list), "#EXTM3U\nold\nrtsp://old\n");
    ExpectNoTemporaryLeft();
}

TEST_F(FreePlaylist, KeepsTheLastGoodListWhenTheTransferIsCutShort) {
    RawTestServer cut([](int connection, int) {
        ReadRequestHead(connection);
        SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n#EXTM3U\n#EXTINF:0,");
    });
    KeepAnOldList();
    EXPECT_TRUE(DownloadFrom(cut.Url()).ok());
    ExpectOneAaa03();
    EXPECT_EQ(ReadFile(list), "#EXTM3U\nold\nrtsp://old\n");
    ExpectNoTemporaryLeft();
}

TEST_F(FreePlaylist, RefusesAPlaylistOverTheCap) {
    KeepAnOldList();
    EXPECT_TRUE(DownloadFrom(box.Url() + "/huge").ok());
    ExpectOneAaa03();
    EXPECT_EQ(host.messages[0], "Unknown error AAA03 : Answer larger than 16777216 bytes");
    EXPECT_EQ(ReadFile(list), "#EXTM3U\nold\nrtsp://old\n");
    ExpectNoTemporaryLeft();
}

TEST_F(FreePlaylist, LeavesAnEmptyListWhenTheFirstDownloadFails) {
    EXPECT_TRUE(DownloadFrom(ClosedPortUrl()).ok());
    ExpectOneAaa03();
    EXPECT_EQ(ReadFile(list), "");
    ExpectNoTemporaryLeft();
}

TEST_F(FreePlaylist, ReturnsAnErrorWhenTheListCannotBeCreated) {
    std::filesystem::remove(folder / "B");
    const FileResult result = DownloadFrom(box.Url());
    EXPECT_FALSE(result.ok());
    EXPECT_THAT(result.error, ::testing::HasSubstr("listeTVFreeforKalore.txt"));
    EXPECT_THAT(host.messages, IsEmpty()) << "the set-up sequence reports it";
}

} // namespace
} // namespace kalore::testing

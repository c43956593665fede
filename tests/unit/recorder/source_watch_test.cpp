#include "recorder/source_watch.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

TEST(TcpSourceOf, FindsHostAndPortOfWhatVlcReachesOverTcp) {
    const std::pair<const char*, std::optional<TcpSource>> cases[] = {
        {"rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=201&flavour=hd",
         TcpSource{"mafreebox.freebox.fr", 554}},
        {"http://127.0.0.1:8080/", TcpSource{"127.0.0.1", 8080}},
        {"HTTPS://box.test", TcpSource{"box.test", 443}},
        {"http/ts://user:secret@box.test:81/tv?x=1", TcpSource{"box.test", 81}},
        {"http://[::1]:8554/a", TcpSource{"::1", 8554}},
        {"mms://media.test:1755/live", TcpSource{"media.test", 1755}},
        // vlc listens for these by itself.
        {"udp://@239.0.0.1:1234", std::nullopt},
        {"rtp://@232.0.0.1:5000", std::nullopt},
        // Nowhere to look.
        {"mms://media.test/live", std::nullopt},
        {"file:///home/moi/film.ts", std::nullopt},
        {"http://:80/", std::nullopt},
        {"http://box.test:0/", std::nullopt},
        {"http://box.test:99999/", std::nullopt},
        {"http://box.test:8o/", std::nullopt},
        {"http://[::1/", std::nullopt},
        {"print", std::nullopt},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(TcpSourceOf(url), expected) << url;
    }
    for (const char* url : {"udp://@239.0.0.1:1234", "RTP://@232.0.0.1:5000", "udp/ts://@:1234"}) {
        EXPECT_TRUE(IsUdpSource(url)) << url;
    }
    for (const char* url : {"http://127.0.0.1:8080/", "file:///udp://x", "print"}) {
        EXPECT_FALSE(IsUdpSource(url)) << url;
    }
}

} // namespace
} // namespace kalore

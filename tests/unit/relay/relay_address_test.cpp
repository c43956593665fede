#include "relay/relay_address.h"

#include <set>

#include <gtest/gtest.h>

#include "relay/http_request.h"

namespace kalore {
namespace {

TEST(RelayAddressTest, OnlyRtspAddressesGoThroughTheRelay) {
    EXPECT_TRUE(NeedsRelay("rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=201"));
    EXPECT_TRUE(NeedsRelay("RTSP://127.0.0.1:554/x"));
    for (const char* direct : {"rtp://@232.0.0.10:8200", "udp://@127.0.0.1:1234",
                               "http://127.0.0.1/x", "rtsp://", "rtsp:/x", " rtsp://x", ""})
        EXPECT_FALSE(NeedsRelay(direct)) << direct;
}

TEST(RelayAddressTest, TokensAreLongRandomAndReadBackFromTheirAddress) {
    std::set<std::string> tokens;
    for (int i = 0; i < 100; ++i)
        tokens.insert(NewRelayToken());
    EXPECT_EQ(tokens.size(), 100u);
    const std::string token = *tokens.begin();
    EXPECT_EQ(token.size(), 32u);
    const std::string address = LocalRelayAddress(40123, token);
    EXPECT_EQ(address, "http://127.0.0.1:40123/" + token);
    EXPECT_EQ(TokenOfTarget(address.substr(address.find('/', 7))), token);
    EXPECT_EQ(TokenOfTarget("/" + token + "?x=1"), token);
    EXPECT_EQ(TokenOfTarget("/" + token + "#a"), token);
}

TEST(RelayAddressTest, TargetsThatCannotBeATokenAreRefused) {
    const std::string token(32, 'a');
    for (const std::string& target :
         {std::string(), token, "/" + token.substr(1), "/" + token + "a", "/" + token + "/",
          "/../" + token, "/" + std::string(31, 'a') + "G", "/" + std::string(32, 'A'),
          "http://127.0.0.1/" + token, std::string("/")})
        EXPECT_FALSE(TokenOfTarget(target)) << target;
}

TEST(HttpRequestTest, RequestLinesAreReadOnlyWhenWhole) {
    const auto get = ParseRequestLine("GET /abc?x HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(get);
    EXPECT_EQ(get->method, "GET");
    EXPECT_EQ(get->target, "/abc?x");
    EXPECT_EQ(ParseRequestLine("HEAD / HTTP/1.0\n\n")->method, "HEAD");
    for (const char* bad : {"", "GET\r\n", "GET /\r\n", "GET / HTTP/2\r\n", "GET / RTSP/1.0\r\n",
                            "GET  / HTTP/1.1\r\n", "GET /a b HTTP/1.1\r\n",
                            "GET /\x01 HTTP/1.1\r\n", "GET / HTTP/1.10\r\n"})
        EXPECT_FALSE(ParseRequestLine(bad)) << bad;
    EXPECT_EQ(HttpRefusal(404, "Not Found"),
              "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

} // namespace
} // namespace kalore

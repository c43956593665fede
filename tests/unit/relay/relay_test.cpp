#include "relay/relay.h"

#include <sys/socket.h>

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/loopback_servers.h"
#include "support/raw_http_get.h"

namespace kalore {
namespace {

using namespace std::chrono_literals;

class RelayTest : public ::testing::Test {
protected:
    Relay::Options Options() {
        Relay::Options options;
        options.log = [this](const std::string& line) {
            std::lock_guard lock(mutex);
            log.push_back(line);
        };
        return options;
    }
    std::string Logged() {
        std::lock_guard lock(mutex);
        std::string all;
        for (const std::string& line : log)
            all += line + "\n";
        return all;
    }
    std::mutex mutex;
    std::vector<std::string> log;
};

TEST_F(RelayTest, ServesOnlyTheChannelsAskedForAtTheirOwnPath) {
    Relay relay(Options());
    const std::string box = "rtsp://127.0.0.1:1/fbxtv_pub/stream?namespace=1&service=201";
    const std::string local = relay.LocalAddress(box);
    ASSERT_EQ(local.rfind("http://127.0.0.1:", 0), 0u) << local;
    EXPECT_EQ(relay.LocalAddress(box), local);
    EXPECT_NE(relay.LocalAddress(box + "&flavour=hd"), local);

    const std::string root = local.substr(0, local.rfind('/'));
    const std::string token = local.substr(local.rfind('/') + 1);
    EXPECT_EQ(testing::RawHttpGet(root + "/", "GET"), "404");
    EXPECT_EQ(testing::RawHttpGet(root + "/" + std::string(32, '0'), "GET"), "404");
    EXPECT_EQ(testing::RawHttpGet(root + "/" + token + "x", "GET"), "404");
    EXPECT_EQ(testing::RawHttpGet(local, "POST"), "405");
    EXPECT_EQ(testing::RawSend(root, "hello\r\n\r\n"), "400");
    EXPECT_EQ(relay.OpenSessions(), 0);
}

TEST_F(RelayTest, ABoxThatCannotBeReachedIsAnsweredAndNamed) {
    Relay::Options options = Options();
    std::vector<std::string> refused;
    options.refused = [&](const std::string& source, const std::string& reason) {
        std::lock_guard lock(mutex);
        refused.push_back(source + " " + reason);
    };
    Relay relay(options);
    const std::string box =
        "rtsp://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort(SOCK_STREAM)) +
        "/fbxtv_pub/stream?namespace=1&service=201";
    EXPECT_EQ(testing::RawHttpGet(relay.LocalAddress(box), "GET"), "503");
    EXPECT_EQ(relay.Refusal(box), "la Freebox est injoignable (pas de route vers elle)");
    EXPECT_NE(Logged().find("Relais RTSP : la Freebox est injoignable"), std::string::npos)
        << Logged();
    EXPECT_EQ(relay.Refusal("rtsp://127.0.0.1/never-asked"), "");
    // A recorder asks before it starts.
    EXPECT_EQ(relay.Open(box, 10s), "la Freebox est injoignable (pas de route vers elle)");
    std::lock_guard lock(mutex);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0], box + " la Freebox est injoignable (pas de route vers elle)");
}

} // namespace
} // namespace kalore

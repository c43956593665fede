#include "relay/relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/hostile_rtsp_box.h"
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

// A box that answers nonsense never crashes Kalore nor makes it follow the box
// anywhere: each answer is refused, the reader told at once, the reason named.
TEST_F(RelayTest, AHostileBoxIsRefusedWithItsReason) {
    testing::HostileRtspBox box;
    Relay relay(Options());
    const std::pair<const char*, std::string> cases[] = {
        {"vide", "la Freebox ne décrit aucun flux MPEG-TS pour cette chaîne"},
        {"charabia", "la Freebox répond de façon incompréhensible"},
        {"enorme", "la réponse de la Freebox est trop longue"},
        {"entetes", "la réponse de la Freebox est trop longue"},
        {"boucle", "la Freebox renvoie sans fin vers d'autres adresses"},
        {"multiflux", "la Freebox décrit trop de flux (100)"},
        {"occupee", "la Freebox refuse le flux : trop de flux sont déjà ouverts"},
        {"ailleurs", "la Freebox renvoie vers une autre machine (rtsp://127.0.0.2:"},
        {"controle-ailleurs", "la Freebox renvoie vers une autre machine (rtsp://127.0.0.2:"},
    };
    for (const auto& [kind, reason] : cases) {
        const int before = box.Describes();
        const std::string address = box.Address(kind);
        EXPECT_EQ(testing::RawHttpGet(relay.LocalAddress(address), "GET"), "503") << kind;
        EXPECT_EQ(relay.Refusal(address).rfind(reason, 0), 0u)
            << kind << ": " << relay.Refusal(address);
        // The first request and three redirects at most; never another machine.
        EXPECT_LE(box.Describes() - before, 4) << kind;
    }
    EXPECT_EQ(relay.OpenSessions(), 0);
}

// The address's path is secret, and even with it another user gets nothing.
TEST_F(RelayTest, OnlyTheUserOfKaloreCanRead) {
    {
        Relay::Options options = Options();
        options.readerOwner = getuid() + 1;
        Relay relay(options);
        const std::string local = relay.LocalAddress("rtsp://127.0.0.1:1/x");
        EXPECT_EQ(testing::RawHttpGet(local, "GET"), "");
        EXPECT_NE(Logged().find("Relais RTSP : connexion refusée à l'utilisateur " +
                                std::to_string(getuid())),
                  std::string::npos)
            << Logged();
    }
    if (getuid() != 0)
        GTEST_SKIP() << "another user's connection needs root to be made";
    Relay relay(Options());
    const std::string root = relay.LocalAddress("rtsp://127.0.0.1:1/x");
    EXPECT_EQ(testing::RawHttpGet(root.substr(0, root.rfind('/')) + "/", "GET"), "404");
    int answer[2];
    ASSERT_EQ(pipe(answer), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        const std::string got = testing::RawHttpGet(root.substr(0, root.rfind('/')) + "/", "GET");
        _exit(write(answer[1], got.data(), got.size()) >= 0 ? 0 : 1);
    }
    close(answer[1]);
    char got[8] = {};
    EXPECT_EQ(read(answer[0], got, sizeof got), 0) << got;
    close(answer[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Connections that never ask anything, more than the relay keeps waiting, hold
// up no reader that does ask.
TEST_F(RelayTest, IdleConnectionsHoldUpNoReader) {
    Relay relay(Options());
    const std::string local = relay.LocalAddress("rtsp://127.0.0.1:1/x");
    const int port = std::stoi(local.substr(17, local.rfind('/') - 17));
    std::vector<int> idle;
    for (int i = 0; i < 40; ++i) {
        const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        idle.push_back(descriptor);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(testing::RawHttpGet(local.substr(0, local.rfind('/')) + "/", "GET"), "404");
    // Well under the time one idle connection may wait for its request.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    for (int descriptor : idle)
        close(descriptor);
}

} // namespace
} // namespace kalore

#include "web/http_get.h"

#include <array>
#include <chrono>
#include <sstream>

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>

#include "fakes/fakes.h"
#include "support/loopback_servers.h"
#include "web/http_transfer.h"

namespace kalore::testing {
namespace {

using namespace std::chrono_literals;

TEST(JoinLinesWithCrLf, EndsEveryLineWithCrLfWhateverItsBreak) {
    EXPECT_EQ(JoinLinesWithCrLf(""), "");
    EXPECT_EQ(JoinLinesWithCrLf("12"), "12\r\n");
    EXPECT_EQ(JoinLinesWithCrLf("a\r\nb\nc\rd"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(JoinLinesWithCrLf("a\n\nb\r\n"), "a\r\n\r\nb\r\n");
    // A CR then LF split by text in between are two breaks; LF CR is two as well.
    EXPECT_EQ(JoinLinesWithCrLf("a\n\rb"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinLinesWithCrLf("\r"), "\r\n");
}

class HttpGet : public ::testing::Test {
protected:
    HttpTestServer server{[](httplib::Server& s) {
        s.Get("/text", [](const httplib::Request&, httplib::Response& r) {
            r.set_content("first\nsecond", "text/plain");
        });
        s.Get("/moved",
              [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/text"); });
        s.Get("/loop",
              [](const httplib::Request&, httplib::Response& r) { r.set_redirect("/loop"); });
        s.Get("/agent", [](const httplib::Request& q, httplib::Response& r) {
            r.set_content(q.get_header_value("User-Agent"), "text/plain");
        });
        // Sets a cookie and sends the client on; the next page tells what came back.
        s.Get("/login", [](const httplib::Request&, httplib::Response& r) {
            r.set_header("Set-Cookie", "session=42; Path=/");
            r.set_redirect("/cookie");
        });
        s.Get("/cookie", [](const httplib::Request& q, httplib::Response& r) {
            r.set_content("cookie=" + q.get_header_value("Cookie"), "text/plain");
        });
        s.Get("/big", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(std::string(kAnswerCapBytes + 1, 'x'), "text/plain");
        });
        s.Get("/exact", [](const httplib::Request&, httplib::Response& r) {
            r.set_content(std::string(kAnswerCapBytes, 'x'), "text/plain");
        });
        s.Get("/stream", [](const httplib::Request&, httplib::Response& r) {
            // No length announced: the cap must hold while the bytes come.
            r.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
                const std::string block(4096, 'y');
                for (int i = 0; i < 64; ++i) {
                    if (!sink.write(block.data(), block.size())) {
                        return false;
                    }
                }
                sink.done();
                return true;
            });
        });
    }};
};

TEST_F(HttpGet, ReturnsTheBodyWithCrLfLineEnds) {
    EXPECT_EQ(HttpGetText(server.Url() + "/text"), "first\r\nsecond\r\n");
}

TEST_F(HttpGet, FollowsRedirections) {
    std::ostringstream stream;
    EXPECT_EQ(HttpGetToStream(server.Url() + "/moved", stream), kPasErreur);
    EXPECT_EQ(stream.str(), "first\nsecond");
}

TEST_F(HttpGet, FailsOnErrorStatusRedirectLoopAndNoServer) {
    std::ostringstream stream;
    EXPECT_EQ(HttpGetToStream(server.Url() + "/missing", stream), kErreur);
    EXPECT_EQ(stream.str(), "") << "an error page is not the answer";
    EXPECT_EQ(HttpGetText(server.Url() + "/loop"), kErreur);
    EXPECT_EQ(HttpGetText(ClosedPortUrl() + "/text"), kErreur);
}

TEST_F(HttpGet, SendsTheFixedUserAgent) {
    EXPECT_EQ(HttpGetText(server.Url() + "/agent"),
              "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-GB; rv:1.8.1.12) Gecko/25684322 "
              "Firefox/2.0.0.16\r\n");
}

TEST_F(HttpGet, KeepsCookiesWithinOneRequestOnly) {
    EXPECT_EQ(HttpGetText(server.Url() + "/login"), "cookie=session=42\r\n");
    EXPECT_EQ(HttpGetText(server.Url() + "/cookie"), "cookie=\r\n");
}

TEST_F(HttpGet, RefusesAnswersOverTheCap) {
    EXPECT_EQ(HttpGetText(server.Url() + "/big"), kErreur);
    EXPECT_EQ(HttpGetText(server.Url() + "/exact").size(), kAnswerCapBytes + 2);

    std::ostringstream stream;
    EXPECT_EQ(HttpGetToStream(server.Url() + "/stream", stream, {.maxBodyBytes = 100 * 1024}),
              kErreur);
    EXPECT_LE(stream.str().size(), 100u * 1024u);
    std::ostringstream whole;
    EXPECT_EQ(HttpGetToStream(server.Url() + "/stream", whole, {.maxBodyBytes = 256 * 1024}),
              kPasErreur);
    EXPECT_EQ(whole.str().size(), 256u * 1024u);
}

TEST(HttpGetMisbehaving, GivesUpOnAServerThatNeverAnswers) {
    RawTestServer silent([](int connection, int stop) {
        ReadRequestHead(connection);
        WaitForHangUp(connection, stop);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpGetText(silent.Url() + "/x", {.connect = 1000ms, .read = 200ms}), kErreur);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST(HttpGetMisbehaving, KeepsWaitingWhileBytesKeepComing) {
    // Each piece comes within the read time-out though the whole takes longer.
    RawTestServer slow([](int connection, int) {
        ReadRequestHead(connection);
        SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\n");
        for (const char* piece : {"1", "2", "3", "4"}) {
            std::this_thread::sleep_for(400ms);
            SendAll(connection, piece);
        }
    });
    EXPECT_EQ(HttpGetText(slow.Url() + "/x", {.connect = 1000ms, .read = 1500ms}), "1234\r\n");
}

TEST(HttpGetMisbehaving, AWholeRequestEndsWithinItsLimitAndTheStartUps) {
    // A byte now and then: the read time-out never runs out.
    RawTestServer trickle([](int connection, int stop) {
        ReadRequestHead(connection);
        SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        while (::poll(std::array<pollfd, 1>{{{stop, POLLIN, 0}}}.data(), 1, 200) == 0) {
            SendAll(connection, "x");
        }
    });
    const auto elapsed = [start = std::chrono::steady_clock::now()] {
        return std::chrono::steady_clock::now() - start;
    };
    std::ostringstream body;
    const TransferResult limited =
        HttpTransfer(trickle.Url() + "/x", body, {.read = 1000ms, .total = 1500ms});
    EXPECT_NE(limited.error.find("timed out"), std::string::npos) << limited.error;
    EXPECT_LT(elapsed(), 10s);

    FakeHost host;
    WebEnvironment web{host, {}, {}};
    web.deadline = std::chrono::steady_clock::now() + 500ms;
    EXPECT_LE(web.Request(10s, 1).total, 500ms);
    EXPECT_GT(web.Request(10s, 1).total, 400ms);
    web.deadline = std::chrono::steady_clock::now() - 1s;
    const RequestOptions late = web.Request(10s, kAnswerCapBytes);
    EXPECT_EQ(late.total, 1ms);
    EXPECT_EQ(HttpGetText(trickle.Url() + "/x", late), kErreur);
    EXPECT_LT(elapsed(), 15s);
}

TEST(HttpGetMisbehaving, FailsWhenTheAnswerIsCutShort) {
    RawTestServer cut([](int connection, int) {
        ReadRequestHead(connection);
        SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n12");
    });
    EXPECT_EQ(HttpGetText(cut.Url() + "/x"), kErreur);
}

} // namespace
} // namespace kalore::testing

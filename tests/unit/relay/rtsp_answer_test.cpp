#include "relay/rtsp_answer.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

AnswerRead Read(const std::string& bytes, RtspAnswer& answer, std::size_t& used) {
    return ReadRtspAnswer(bytes, answer, used);
}

TEST(RtspAnswerTest, ReadsWholeAnswersWithinLimits) {
    RtspAnswer answer;
    std::size_t used = 0;
    const std::string setup = "RTSP/1.0 200 OK\r\nCSeq: 2\r\nsession:  4F2A;timeout=60\r\n"
                              "Transport: RTP/AVP;unicast;server_port=6970-6971\r\n"
                              "Content-Length: 4\r\n\r\nbodyRTSP/1.0";
    ASSERT_EQ(Read(setup, answer, used), AnswerRead::Whole);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.session, "4F2A;timeout=60");
    EXPECT_EQ(answer.transport, "RTP/AVP;unicast;server_port=6970-6971");
    EXPECT_EQ(answer.body, "body");
    EXPECT_EQ(used, setup.size() - 8) << "what follows is the next answer's";

    ASSERT_EQ(Read("RTSP/1.0 302 Moved\r\nLocation: rtsp://box/b\r\nContent-Location: rtsp://x/"
                   "\r\n\r\n",
                   answer, used),
              AnswerRead::Whole);
    EXPECT_EQ(answer.location, "rtsp://box/b");
    EXPECT_EQ(answer.contentBase, "rtsp://x/");

    // Not whole yet: the head, or the body the length announces.
    EXPECT_EQ(Read("RTSP/1.0 200 OK\r\nCSeq: 1\r\n", answer, used), AnswerRead::More);
    EXPECT_EQ(Read("RTSP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc", answer, used),
              AnswerRead::More);
}

TEST(RtspAnswerTest, RefusesWhatNoBoxSends) {
    RtspAnswer answer;
    std::size_t used = 0;
    EXPECT_EQ(Read("HTTP/1.1 200 OK\r\n\r\n", answer, used), AnswerRead::Garbled);
    EXPECT_EQ(Read("\x89PNG\r\n", answer, used), AnswerRead::Garbled);
    EXPECT_EQ(Read("RTSP/1.0 2x0 OK\r\n\r\n", answer, used), AnswerRead::Garbled);
    EXPECT_EQ(Read("RTSP/1.0 200 OK\r\nno colon here\r\n\r\n", answer, used), AnswerRead::Garbled);
    EXPECT_EQ(Read("RTSP/1.0 200 OK\r\nContent-Length: -1\r\n\r\n", answer, used),
              AnswerRead::Garbled);
    EXPECT_EQ(Read("RTSP/1.0 200 OK\r\nContent-Length: 400000000\r\n\r\n", answer, used),
              AnswerRead::TooLong);
    EXPECT_EQ(Read("RTSP/1.0 200 OK\r\nContent-Length: 65537\r\n\r\n", answer, used),
              AnswerRead::TooLong);
    // Headers that never end.
    std::string endless = "RTSP/1.0 200 OK\r\n";
    while (endless.size() <= 16 * 1024)
        endless += "X-Rien: aaaaaaaaaaaaaaaa\r\n";
    EXPECT_EQ(Read(endless, answer, used), AnswerRead::TooLong);
    EXPECT_EQ(Read(endless + "\r\n", answer, used), AnswerRead::TooLong);
}

} // namespace
} // namespace kalore

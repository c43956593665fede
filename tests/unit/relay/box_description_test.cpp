#include "relay/box_description.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

const std::string kBox = "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream?namespace=1&service=201";

std::string Sdp(const std::string& media, const std::string& session = "a=control:*\r\n") {
    return "v=0\r\no=- 1 1 IN IP4 192.168.0.254\r\ns=tv\r\nt=0 0\r\n" + session + media;
}

TEST(BoxDescriptionTest, FindsTheMpegTsStreamAndItsControls) {
    {
        // As GStreamer's server answers: relative control, Content-Base with a slash.
        const BoxDescription read =
            ReadBoxDescription(Sdp("m=video 0 RTP/AVP 33\r\na=control:stream=0\r\n"), kBox,
                               "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream/");
        EXPECT_EQ(read.refusal, "");
        EXPECT_EQ(read.sessionControl, "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream/");
        EXPECT_EQ(read.streamControl, "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream/stream=0");
    }
    {
        // No Content-Base: the address asked, its query kept for the session only;
        // a dynamic payload type named MP2T after an audio stream.
        const BoxDescription read =
            ReadBoxDescription(Sdp("m=audio 0 RTP/AVP 14\r\na=control:audio\r\n"
                                   "m=video 0 RTP/AVP 96\r\na=rtpmap:96 MP2T/90000\r\n"
                                   "a=control:trackID=1\r\n",
                                   ""),
                               kBox, kBox);
        EXPECT_EQ(read.sessionControl, kBox);
        EXPECT_EQ(read.streamControl, "rtsp://mafreebox.freebox.fr/fbxtv_pub/stream/trackID=1");
    }
    {
        // Absolute controls on the same box, another case and the default port spelt out.
        const BoxDescription read = ReadBoxDescription(
            Sdp("m=video 0 RTP/AVP 33\r\na=control:rtsp://MaFreebox.freebox.fr:554/tv/1\r\n",
                "a=control:rtsp://mafreebox.freebox.fr/tv\r\n"),
            kBox, kBox);
        EXPECT_EQ(read.refusal, "");
        EXPECT_EQ(read.streamControl, "rtsp://MaFreebox.freebox.fr:554/tv/1");
    }
}

TEST(BoxDescriptionTest, RefusesWhatIsNotAUsableDescription) {
    EXPECT_EQ(ReadBoxDescription(Sdp(""), kBox, kBox).refusal,
              "la Freebox ne décrit aucun flux MPEG-TS pour cette chaîne");
    EXPECT_EQ(ReadBoxDescription("\x89PNG\r\n\x1a\n garbage", kBox, kBox).refusal,
              "la Freebox ne décrit aucun flux MPEG-TS pour cette chaîne");
    EXPECT_EQ(
        ReadBoxDescription(Sdp("m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\n"), kBox, kBox)
            .refusal,
        "la Freebox ne décrit aucun flux MPEG-TS pour cette chaîne");
    std::string many;
    for (int i = 0; i < 17; ++i)
        many += "m=video 0 RTP/AVP 33\r\n";
    EXPECT_EQ(ReadBoxDescription(Sdp(many), kBox, kBox).refusal,
              "la Freebox décrit trop de flux (17)");
    // A control that would send SETUP to another machine, or smuggle a header in.
    EXPECT_EQ(ReadBoxDescription(Sdp("m=video 0 RTP/AVP 33\r\na=control:rtsp://10.0.0.9/x\r\n"),
                                 kBox, kBox)
                  .refusal,
              "la Freebox renvoie vers une autre machine (rtsp://10.0.0.9/x)");
    EXPECT_EQ(
        ReadBoxDescription(Sdp("m=video 0 RTP/AVP 33\r\na=control:s\rX-Evil: 1\r\n"), kBox, kBox)
            .refusal,
        "la Freebox répond de façon incompréhensible");
}

TEST(BoxDescriptionTest, SameBoxMeansSameHostAndPortOverRtsp) {
    EXPECT_TRUE(SameBox(kBox, "rtsp://MAFREEBOX.freebox.fr:554/autre"));
    EXPECT_TRUE(SameBox("rtsp://127.0.0.1:8554/a", "RTSP://user@127.0.0.1:8554/b"));
    EXPECT_FALSE(SameBox("rtsp://127.0.0.1:8554/a", "rtsp://127.0.0.1:8555/a"));
    EXPECT_FALSE(SameBox(kBox, "http://mafreebox.freebox.fr/fbxtv_pub/stream"));
    EXPECT_FALSE(SameBox(kBox, "rtsp://mafreebox.freebox.fr.example.com/x"));
    EXPECT_FALSE(SameBox(kBox, ""));
}

} // namespace
} // namespace kalore

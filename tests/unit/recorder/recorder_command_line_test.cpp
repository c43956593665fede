#include "recorder/recorder_command_line.h"

#include <gtest/gtest.h>

#include "platform/command_line.h"

namespace kalore {
namespace {

const std::string kHq =
    " --sout #transcode{threads=2,vcodec=mp2v,vb=8000,fps=30,acodec=mp3,ab=192,scale=1,"
    "channels=2,deinterlace,audio-sync,sfilter=logo}:standard{access=file,mux=ps,dst=\"";
const std::string kH264 =
    " --sout #transcode{threads=2,width=320,height=240,fps=25,vcodec=h264,vb=256,venc=x264{aud,"
    "profile=baseline,level=30,keyint=30,bframes=0,ref=1,nocabac},acodec=mp3,ab=96,sfilter=logo}:"
    "standard{access=file,mux=ts,dst=\"";

RecordingJob Job(std::string url, std::string duration, std::string format) {
    return {"-1", url, "-1", duration, format, "/r/a.avi"};
}

TEST(RecorderCommandLine, BothFormatsTimedAndOpenEndedAreExact) {
    EXPECT_EQ(
        BuildRecorderCommandLine("/usr/bin/vlc", Job("udp://@1.2", "3600", kFormatHighQuality)),
        "\"/usr/bin/vlc\" -I dummy udp://@1.2  --stop-time 3600" + kHq + "/r/a.avi\"}");
    EXPECT_EQ(BuildRecorderCommandLine("/usr/bin/vlc", Job("udp://@1.2", "-1", kFormatHighQuality)),
              "\"/usr/bin/vlc\" -I dummy udp://@1.2 " + kHq + "/r/a.avi\"}");
    EXPECT_EQ(BuildRecorderCommandLine("/usr/bin/vlc", Job("rtsp://x/y", "90", kFormatH264)),
              "\"/usr/bin/vlc\" -I dummy rtsp://x/y  --stop-time 90" + kH264 + "/r/a.avi\"}");
    EXPECT_EQ(BuildRecorderCommandLine("/usr/bin/vlc", Job("rtsp://x/y", "-1", kFormatH264)),
              "\"/usr/bin/vlc\" -I dummy rtsp://x/y " + kH264 + "/r/a.avi\"}");
}

TEST(RecorderCommandLine, EmptyAddressLeavesThreeBlanksBeforeTheChain) {
    std::string line = *BuildRecorderCommandLine("/v", Job("", "-1", kFormatH264));
    EXPECT_NE(line.find("-I dummy   --sout"), std::string::npos);
}

TEST(RecorderCommandLine, FormatIsRecognisedOnlyWhenExact) {
    EXPECT_FALSE(BuildRecorderCommandLine("/v", Job("u", "-1", "format haute qualité")));
    EXPECT_FALSE(BuildRecorderCommandLine("/v", Job("u", "-1", "Format Haute Qualité ")));
    EXPECT_FALSE(BuildRecorderCommandLine("/v", Job("u", "-1", "")));
}

TEST(RecorderCommandLine, SplitsIntoTheArgumentsVlcExpects) {
    RecordingJob job = Job("udp://@127.0.0.1:5000", "10", kFormatH264);
    job.OutputFile = "/home/me/mes films/a.avi";
    auto args = SplitCommandLine(*BuildRecorderCommandLine("/opt/my vlc/vlc", job));
    ASSERT_EQ(args.size(), 8u);
    EXPECT_EQ(args[0], "/opt/my vlc/vlc");
    EXPECT_EQ(args[3], "udp://@127.0.0.1:5000");
    EXPECT_EQ(args[5], "10");
    EXPECT_TRUE(args[7].ends_with(",dst=/home/me/mes films/a.avi}")) << args[7];
}

TEST(ScheduledOutputName, DashesTheDateAndTimeUnderRecords) {
    EXPECT_EQ(ScheduledOutputName("/opt/kalore/", "07/12/2026", "20:30:00"),
              "/opt/kalore//RECORDS/programme-07-12-2026_20-30-00.avi");
}

TEST(RefuseUnsafeJob, RefusesAddressesAndPathsThatCouldCarryOptions) {
    for (const char* url : {"--extraintf=http", ":sout=#file", "udp://a --sout=x", "udp://a\"b",
                            "udp://a\tb", "udp://a\nb"}) {
        auto refusal = RefuseUnsafeJob("/usr/bin/vlc", Job(url, "-1", kFormatH264));
        ASSERT_TRUE(refusal) << url;
        EXPECT_EQ(refusal->rfind("Adresse refusée", 0), 0u);
        EXPECT_EQ(refusal->find_first_of("\t\n"), std::string::npos);
    }
    RecordingJob quotedOutput = Job("udp://ok", "-1", kFormatH264);
    quotedOutput.OutputFile = "/tmp/a\" --sout=x";
    EXPECT_TRUE(RefuseUnsafeJob("/usr/bin/vlc", quotedOutput));
    EXPECT_TRUE(RefuseUnsafeJob("/usr/bin/v\"lc", Job("udp://ok", "-1", kFormatH264)));

    EXPECT_FALSE(RefuseUnsafeJob("/usr/bin/vlc", Job("", "-1", kFormatH264)));
    EXPECT_FALSE(RefuseUnsafeJob("/opt/my vlc/vlc", Job("rtsp://mafreebox.freebox.fr/fbxtv_pub/"
                                                        "stream?namespace=1&service=201&flavour=hd",
                                                        "-1", kFormatH264)));
}

} // namespace
} // namespace kalore

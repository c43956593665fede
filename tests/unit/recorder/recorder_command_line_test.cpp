#include "recorder/recorder_command_line.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace kalore {
namespace {

using Args = std::vector<std::string>;

const std::string kHq =
    "#transcode{threads=2,vcodec=mp2v,vb=8000,fps=30,acodec=mp3,ab=192,scale=1,"
    "channels=2,deinterlace,audio-sync,sfilter=logo}:standard{access=file,mux=ps,dst=";
const std::string kH264 =
    "#transcode{threads=2,width=320,height=240,fps=25,vcodec=h264,vb=256,venc=x264{aud,"
    "profile=baseline,level=30,keyint=30,bframes=0,ref=1,nocabac},acodec=mp3,ab=96,sfilter=logo}:"
    "standard{access=file,mux=ts,dst=";

RecordingJob Job(std::string url, std::string duration, std::string format,
                 std::string output = "/r/a.avi") {
    return {"-1", url, "-1", duration, format, output};
}

TEST(RecorderArguments, EachFormatTimedAndOpenEndedIsExact) {
    EXPECT_EQ(RecorderArguments("/opt/my vlc/vlc", Job("udp://@1.2", "3600", kFormatHighQuality)),
              (Args{"/opt/my vlc/vlc", "-I", "dummy", "udp://@1.2", "--stop-time", "3600",
                    "--play-and-exit", "--sout", kHq + "\"/r/a.avi\"}"}));
    EXPECT_EQ(RecorderArguments("/usr/bin/vlc", Job("rtsp://x/y", "-1", kFormatH264)),
              (Args{"/usr/bin/vlc", "-I", "dummy", "rtsp://x/y", "--play-and-exit", "--sout",
                    kH264 + "\"/r/a.avi\"}"}));
    // The copy format writes the stream as it comes, without transcoding.
    EXPECT_EQ(RecorderArguments("/v", Job("udp://@1.2", "60", kFormatCopy, "/r/a.ts")),
              (Args{"/v", "-I", "dummy", "udp://@1.2", "--stop-time", "60", "--play-and-exit",
                    "--sout", "#standard{access=file,mux=ts,dst=\"/r/a.ts\"}"}));
    // Only an exact name is a format.
    for (const char* format : {"format haute qualité", "Format Haute Qualité ", ""}) {
        EXPECT_FALSE(RecorderArguments("/v", Job("u", "-1", format))) << format;
    }
}

TEST(RecorderArguments, TheOutputPathIsOneQuotedValueOfTheChain) {
    EXPECT_EQ(ChainQuoted("/a/Mes vidéos, TV/x.avi"), "\"/a/Mes vidéos, TV/x.avi\"");
    EXPECT_EQ(ChainQuoted(R"(L'a "b" c\d}{:=#;.avi)"), R"("L\'a \"b\" c\\d}{:=#;.avi")");
    const Args args = *RecorderArguments("/v", Job("u", "-1", kFormatH264, "/f/x\",dst=/y\"}"));
    EXPECT_EQ(args.back(), kH264 + R"("/f/x\",dst=/y\"}"})");
}

TEST(ScheduledOutputName, OnlyExactDatesAndTimesReachTheFileName) {
    EXPECT_EQ(ScheduledOutputName("/opt/kalore/", "07/12/2026", "20:30:00", kFormatH264),
              "/opt/kalore//RECORDS/programme-07-12-2026_20-30-00.avi");
    EXPECT_EQ(ScheduledOutputName("/opt/kalore/", "07/12/2026", "20:30:00", kFormatCopy),
              "/opt/kalore//RECORDS/programme-07-12-2026_20-30-00.ts");
    for (const auto& [date, time] : std::vector<std::pair<std::string, std::string>>{
             {"07/12/2026", "09:33:08,dst=/some/folder/victim.txt,x="},
             {"07/12/2026,dst=/x", "09:33:08"},
             {"7/12/2026", "09:33:08"},
             {"07-12-2026", "09:33:08"},
             {"32/12/2026", "09:33:08"},
             {"07/13/2026", "09:33:08"},
             {"07/12/2026", "24:00:00"},
             {"07/12/2026", "09:60:00"},
             {"07/12/2026", "9:33:08"}}) {
        EXPECT_FALSE(ScheduledOutputName("/opt/kalore/", date, time, kFormatHighQuality))
            << date << " " << time;
    }
}

TEST(RecordNowFileName, NamesTheChannelAndTheMinuteAndNothingAFileCantHold) {
    const LocalDateTime at{2026, 12, 9, 20, 58, 31};
    EXPECT_EQ(RecordNowFileName("/v/Kalore/", "France 2", kFormatH264, at),
              "/v/Kalore/France 2 - 2026-12-09 20h58.avi");
    EXPECT_EQ(RecordNowFileName("/v/Kalore", "2 - France 2 (HD)", kFormatCopy, at),
              "/v/Kalore/2 - France 2 (HD) - 2026-12-09 20h58.ts");
    EXPECT_EQ(RecordNowFileName("/v/", "../../etc/passwd", kFormatH264, at),
              "/v/etc-passwd - 2026-12-09 20h58.avi");
    EXPECT_EQ(RecordNowFileName("/v/", "-dst=x:a\"b|c*\x01", kFormatH264, at),
              "/v/dst=x-a-b-c-- - 2026-12-09 20h58.avi");
    EXPECT_EQ(RecordNowFileName("/v/", " . ", kFormatH264, at),
              "/v/Enregistrement - 2026-12-09 20h58.avi");
    // A long name is cut between characters, never within one.
    const std::string name = RecordNowFileName("/v/", std::string(99, 'a') + "é", kFormatH264, at);
    EXPECT_EQ(name, "/v/" + std::string(99, 'a') + " - 2026-12-09 20h58.avi");
}

TEST(ContinuationPath, NumbersTheNameBeforeItsExtension) {
    EXPECT_EQ(ContinuationPath("/r/programme-07-12-2026_20-30-00.avi", 2),
              "/r/programme-07-12-2026_20-30-00-2.avi");
    EXPECT_EQ(ContinuationPath("film.avi", 3), "film-3.avi");
    EXPECT_EQ(ContinuationPath("/r.d/film", 2), "/r.d/film-2");
    EXPECT_EQ(ContinuationPath("/r/.avi", 2), "/r/.avi-2");
}

TEST(RefuseUnsafeJob, RefusesAddressesThatCarryOptionsAndPathsVlcWouldNotWrite) {
    for (const char* url : {"--extraintf=http", ":sout=#file", "udp://a --sout=x", "udp://a\"b",
                            "udp://a\tb", "udp://a\nb"}) {
        auto refusal = RefuseUnsafeJob(Job(url, "-1", kFormatH264));
        ASSERT_TRUE(refusal) << url;
        EXPECT_EQ(refusal->rfind("Adresse refusée", 0), 0u);
        EXPECT_EQ(refusal->find_first_of("\t\n"), std::string::npos);
    }
    EXPECT_EQ(RefuseUnsafeJob(Job("", "-1", kFormatH264)),
              "Adresse vide : aucune chaîne n'est choisie");

    const testing::TempFolder temp("kalore-refuse");
    const std::string folder = temp.Path().string();
    for (const std::string& path :
         {std::string(), std::string("-"), folder, folder + "/", folder + "/absent/x.avi"}) {
        auto refusal = RefuseUnsafeJob(Job("udp://ok", "-1", kFormatH264, path));
        ASSERT_TRUE(refusal) << path;
        EXPECT_EQ(refusal->rfind("Chemin d'enregistrement refusé", 0), 0u) << *refusal;
    }
    for (const std::string& path :
         {folder + "/a\" --sout=x, b}.avi", std::string("rel.avi"), folder + "/-x.avi"}) {
        EXPECT_FALSE(RefuseUnsafeJob(Job("rtsp://mafreebox.freebox.fr/fbxtv_pub/"
                                         "stream?namespace=1&service=201&flavour=hd",
                                         "-1", kFormatH264, path)))
            << path;
    }
}

} // namespace
} // namespace kalore

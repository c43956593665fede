#include "recorder/lost_stream_kinds.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

TEST(LostStreamKindsIn, ReadsTheKindVlcGaveUpOnFromItsErrorLines) {
    // vlc's own lines when the MPEG-2 encoder refuses its options.
    const LostStreamKinds picture = LostStreamKindsIn(
        "[00007fc748002e90] avcodec encoder error: Unknown option \"qsquish\"\n"
        "[00007fc748002e90] main encoder error: VLC could not open the mp2v video encoder.\n"
        "[00007fc768003b10] stream_out_transcode stream out error: cannot create video chain\n");
    EXPECT_TRUE(picture.video);
    EXPECT_FALSE(picture.audio);
    const LostStreamKinds sound = LostStreamKindsIn(
        "[0] stream_out_transcode stream out error: cannot find audio encoder (module:any "
        "fourcc:mp3)");
    EXPECT_FALSE(sound.video);
    EXPECT_TRUE(sound.audio);
    // Lines that aren't errors, or errors about something else, lose nothing.
    for (const char* text : {"[0] main video output: using video encoder\n",
                             "[0] vlcpulse audio output error: PulseAudio server connection "
                             "failure: Connection refused\n",
                             ""}) {
        const LostStreamKinds none = LostStreamKindsIn(text);
        EXPECT_FALSE(none.video || none.audio) << text;
    }
}

} // namespace
} // namespace kalore

#pragma once

// For the Qt tests only: the rest of this library does without Qt.

#include <QProcess>
#include <QString>

namespace kalore::testing {

// Writes 20 s of a moving test picture as MPEG-TS to `path`: a short real stream,
// so that a player really reaches "playing". False when ffmpeg fails.
inline bool MakeTestStreamFile(const QString& path) {
    return QProcess::execute("ffmpeg",
                             {"-v", "error", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25",
                              "-t", "20", "-c:v", "mpeg2video", "-f", "mpegts", path}) == 0;
}

} // namespace kalore::testing

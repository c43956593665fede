#pragma once

#include <map>
#include <string>
#include <utility>

#include <QPixmap>
#include <QSize>

namespace kalore {

class Guide;

// The channels' logos as the windows show them: read from the guide's logo files,
// fitted to the size asked and kept until the guide changes. A missing, damaged or
// outsized file gives a null pixmap, and the name shows alone.
class ChannelLogos {
public:
    // A file may hold a small picture that unpacks into gigabytes; larger sides are
    // refused before anything is decoded.
    static constexpr int kMaxSide = 2048;

    explicit ChannelLogos(const Guide& guide) : guide_(guide) {}

    QPixmap Logo(const std::string& guideId, QSize box);

private:
    const Guide& guide_;
    int generation_ = -1;
    std::map<std::pair<std::string, std::pair<int, int>>, QPixmap> fitted_;
};

} // namespace kalore

#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include <QPixmap>
#include <QSize>

namespace kalore {

class Guide;

// The channels' logos as the windows show them: read from the guide's logo files
// and decoded on a thread of their own, so neither the window nor the recording
// trigger ever waits for a picture; fitted to the size asked and kept until the
// guide changes. A missing, damaged, outsized or too costly file gives a null
// pixmap, and the name shows alone.
class ChannelLogos {
public:
    // A file may hold a small picture that unpacks into gigabytes; larger sides are
    // refused before anything is decoded.
    static constexpr int kMaxSide = 2048;

    // `arrived` is called on the main thread as each logo asked for is ready, so
    // the view can paint it.
    ChannelLogos(const Guide& guide, std::function<void()> arrived);
    ~ChannelLogos();
    ChannelLogos(const ChannelLogos&) = delete;
    ChannelLogos& operator=(const ChannelLogos&) = delete;

    // Null while the logo is being decoded, and when there is none to show.
    QPixmap Logo(const std::string& guideId, QSize box);

private:
    using Key = std::pair<std::string, std::pair<int, int>>;
    struct Inbox;

    void Arrived(int generation, const Key& key, const QImage& image);

    const Guide& guide_;
    std::function<void()> arrived_;
    std::shared_ptr<Inbox> inbox_;
    int generation_ = -1;
    std::map<Key, QPixmap> fitted_;
    std::set<Key> decoding_;
};

} // namespace kalore

#include "gui/channel_logos.h"

#include <mutex>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include "guide/channel_logos.h"
#include "guide/guide.h"
#include "platform/atomic_file.h"

namespace kalore {
namespace {

// What a logo's picture may take in memory: a kMaxSide square in 32 bits is 16 MB.
constexpr int kAllocationLimitMegabytes = 20;

// One thread, at the lowest priority, decodes every logo: they come one after the
// other, each bounded by the checks below.
QThreadPool& DecodingThread() {
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(1);
        made->setThreadPriority(QThread::LowestPriority);
        return made;
    }();
    return *pool;
}

// Runs on the decoding thread: the file is read without waiting on it, and decoded
// only when its size, its sides and (for a JPEG) its scans are within bounds.
QImage Decode(const std::string& file, QSize box) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes, kLogoCapBytes) || !LogoRefusal(bytes).empty()) {
        return {};
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > ChannelLogos::kMaxSide ||
        size.height() > ChannelLogos::kMaxSide) {
        return {};
    }
    const QImage image = reader.read();
    return image.isNull() ? image
                          : image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

// Where the decoding thread hands its pictures: to the logos while they live, to
// no one after.
struct ChannelLogos::Inbox {
    std::mutex mutex;
    QObject* receiver = nullptr;
};

ChannelLogos::ChannelLogos(const Guide& guide, std::function<void()> arrived)
    : guide_(guide), arrived_(std::move(arrived)), inbox_(std::make_shared<Inbox>()) {
    inbox_->receiver = new QObject;
    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);
}

ChannelLogos::~ChannelLogos() {
    QObject* receiver = nullptr;
    {
        const std::lock_guard lock(inbox_->mutex);
        std::swap(receiver, inbox_->receiver);
    }
    delete receiver; // with the pictures it was handed and hasn't delivered
}

QPixmap ChannelLogos::Logo(const std::string& guideId, QSize box) {
    if (generation_ != guide_.Generation()) {
        generation_ = guide_.Generation();
        fitted_.clear();
        decoding_.clear();
    }
    const Key key{guideId, {box.width(), box.height()}};
    if (const auto found = fitted_.find(key); found != fitted_.end()) {
        return found->second; // failures too: a broken file is read once, not at every paint
    }
    if (decoding_.insert(key).second) {
        DecodingThread().start([inbox = inbox_, generation = generation_, key, box,
                                file = guide_.LogoFile(guideId), this] {
            {
                const std::lock_guard lock(inbox->mutex);
                if (inbox->receiver == nullptr) {
                    return; // asked by a view that has gone
                }
            }
            const QImage image = Decode(file, box);
            const std::lock_guard lock(inbox->mutex);
            if (inbox->receiver != nullptr) {
                QMetaObject::invokeMethod(
                    inbox->receiver,
                    [this, generation, key, image] { Arrived(generation, key, image); },
                    Qt::QueuedConnection);
            }
        });
    }
    return {};
}

void ChannelLogos::Arrived(int generation, const Key& key, const QImage& image) {
    if (generation != generation_ || decoding_.erase(key) == 0) {
        return; // decoded for a guide no longer in use
    }
    fitted_.emplace(key, image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    if (arrived_) {
        arrived_();
    }
}

} // namespace kalore

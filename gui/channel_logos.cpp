#include "gui/channel_logos.h"

#include <QImageReader>

#include "guide/guide.h"

namespace kalore {
namespace {

QPixmap Read(const QString& file, QSize box) {
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > ChannelLogos::kMaxSide ||
        size.height() > ChannelLogos::kMaxSide) {
        return {};
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    return QPixmap::fromImage(image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

QPixmap ChannelLogos::Logo(const std::string& guideId, QSize box) {
    if (generation_ != guide_.Generation()) {
        generation_ = guide_.Generation();
        fitted_.clear();
    }
    const auto key = std::make_pair(guideId, std::make_pair(box.width(), box.height()));
    auto found = fitted_.find(key);
    if (found == fitted_.end()) {
        // Failures are kept too, so a broken file is read once, not at every paint.
        found =
            fitted_.emplace(key, Read(QString::fromStdString(guide_.LogoFile(guideId)), box)).first;
    }
    return found->second;
}

} // namespace kalore

#include "gui/volume_overlay.h"

namespace kalore {
namespace {

constexpr int kBottomMargin = 40;
constexpr int kCornerMargin = 16;

} // namespace

VolumeOverlay::VolumeOverlay(Place place, int shownMs)
    : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      place_(place) {
    setObjectName(place == Place::TopLeft ? "PictureBadge" : "VolumeOverlay");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setStyleSheet("QLabel { background: rgba(0, 0, 0, 190); color: white; padding: 8px 16px;"
                  " font-size: 18px; font-weight: bold; border: 1px solid #808080; }");
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(shownMs);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

QString VolumeOverlay::Text(int level, bool muted) {
    return muted ? QStringLiteral("Son coupé") : QStringLiteral("Volume : %1 %").arg(level);
}

void VolumeOverlay::ShowLevel(int level, bool muted, const QRect& picture) {
    ShowText(Text(level, muted), picture);
}

void VolumeOverlay::ShowText(const QString& text, const QRect& picture) {
    setText(text);
    adjustSize();
    if (place_ == Place::TopLeft) {
        move(picture.topLeft() + QPoint(kCornerMargin, kCornerMargin));
    } else {
        move(picture.center().x() - width() / 2, picture.bottom() - kBottomMargin - height());
    }
    show();
    raise();
    if (hideTimer_.interval() > 0) {
        hideTimer_.start();
    }
}

} // namespace kalore

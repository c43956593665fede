#include "gui/volume_overlay.h"

namespace kalore {
namespace {

constexpr int kShownMs = 1000;
constexpr int kBottomMargin = 40;

} // namespace

VolumeOverlay::VolumeOverlay()
    : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName("VolumeOverlay");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setStyleSheet("QLabel { background: rgba(0, 0, 0, 190); color: white; padding: 8px 16px;"
                  " font-size: 18px; font-weight: bold; border: 1px solid #808080; }");
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(kShownMs);
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
    move(picture.center().x() - width() / 2, picture.bottom() - kBottomMargin - height());
    show();
    raise();
    hideTimer_.start();
}

} // namespace kalore

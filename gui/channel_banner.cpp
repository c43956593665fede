#include "gui/channel_banner.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kalore {
namespace {

constexpr int kBottomMargin = 24;
constexpr int kSideMargin = 20;
constexpr int kWidest = 640;

} // namespace

ChannelBanner::ChannelBanner()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
    setObjectName("ChannelBanner");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet("#ChannelBanner { background: rgba(0, 0, 0, 200); border: 1px solid #808080; }"
                  " QLabel { color: white; }");
    logo_ = new QLabel(this);
    channel_ = new QLabel(this);
    channel_->setObjectName("BannerChannel");
    channel_->setStyleSheet("font-size: 20px; font-weight: bold;");
    nowAndNext_ = new QLabel(this);
    nowAndNext_->setObjectName("BannerNowAndNext");
    nowAndNext_->setWordWrap(true);
    auto* words = new QVBoxLayout;
    words->addWidget(channel_);
    words->addWidget(nowAndNext_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->addWidget(logo_, 0, Qt::AlignTop);
    layout->addLayout(words, 1);
    hideTimer_.setSingleShot(true);
    hideTimer_.setInterval(kShownMs);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void ChannelBanner::Show(const QString& channel, const QString& nowAndNext, const QPixmap& logo,
                         const QRect& picture) {
    channel_->setText(channel);
    nowAndNext_->setText(nowAndNext);
    nowAndNext_->setVisible(!nowAndNext.isEmpty());
    logo_->setPixmap(logo);
    logo_->setVisible(!logo.isNull());
    const int width = std::min(kWidest, picture.width() - 2 * kSideMargin);
    setFixedWidth(std::max(width, 0));
    adjustSize();
    move(picture.center().x() - this->width() / 2, picture.bottom() - kBottomMargin - height());
    show();
    raise();
    hideTimer_.start();
}

QString ChannelBanner::ChannelText() const {
    return channel_->text();
}

QString ChannelBanner::NowAndNextText() const {
    return nowAndNext_->text();
}

} // namespace kalore

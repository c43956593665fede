#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QLabel;

namespace kalore {

// The channel just chosen, over the bottom of the picture for a few seconds: its
// logo, its name and what is on now and next. A window of its own, like the other
// words over the picture, so it shows over the player and in full screen.
class ChannelBanner final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kShownMs = 4000;

    ChannelBanner();

    // `picture` in global coordinates; `nowAndNext` may be empty, `logo` null.
    void Show(const QString& channel, const QString& nowAndNext, const QPixmap& logo,
              const QRect& picture);
    QString ChannelText() const;
    QString NowAndNextText() const;

private:
    QLabel* logo_ = nullptr;
    QLabel* channel_ = nullptr;
    QLabel* nowAndNext_ = nullptr;
    QTimer hideTimer_;
};

} // namespace kalore

#pragma once

#include <functional>

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace kalore {

// The playing picture over the whole screen: the player itself is moved into this
// black window and back into its panel, so the picture goes on without a restart.
// The pointer hides after 3 s without movement.
class FullScreenPlayer final : public QWidget {
    Q_OBJECT

public:
    FullScreenPlayer();

    // Moves player here and shows the window over the screen the window is on.
    void Enter(QWidget& player);
    // Puts the player back where it was (when its panel still exists) and hides.
    void Leave();
    bool Showing() const { return player_ != nullptr && isVisible(); }
    // The player inside, or nullptr.
    QWidget* Player() const { return player_.data(); }

    // Keys pressed here, before the window's own handling (Escape and F11 leave).
    std::function<bool(QKeyEvent&)> onKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPointer();
    void PlayerGone();

    QPointer<QWidget> player_;
    QPointer<QWidget> home_;
    QMargins homeMargins_; // the player's inside its home, which may change size meanwhile
    QTimer pointerTimer_;
};

} // namespace kalore

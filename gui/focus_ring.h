#pragma once

#include <QPointer>
#include <QWidget>

namespace kalore {

// A clear frame around the control that has the keyboard focus in window, whatever
// the style draws: the keys can be followed from control to control. It lets every
// click through and never takes the focus.
class FocusRing final : public QWidget {
    Q_OBJECT

public:
    explicit FocusRing(QWidget& window);
    // The control framed now, or nullptr.
    QWidget* Target() const { return target_.data(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QWidget* focus);
    void Place();

    QWidget& window_;
    QPointer<QWidget> target_;
};

} // namespace kalore

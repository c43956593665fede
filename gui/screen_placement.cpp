#include "gui/screen_placement.h"

#include <algorithm>

#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace kalore {
namespace {

QMargins MarginsOf(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect inside = window.geometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(),
            frame.right() - inside.right(), frame.bottom() - inside.bottom()};
}

int Between(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

} // namespace

QRect AvailableArea(const QWidget& window) {
    const QWidget* placed = window.isVisible() || window.parentWidget() == nullptr
                                ? &window
                                : window.parentWidget()->window();
    QScreen* screen = placed->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

QMargins FrameMargins(const QWidget& window, const QWidget& shown) {
    return window.isVisible() ? MarginsOf(window) : MarginsOf(shown);
}

void KeepInsideScreen(QWidget& window, const QWidget& shown) {
    const QRect area = AvailableArea(window);
    if (area.isEmpty()) {
        return;
    }
    const QMargins frame = FrameMargins(window, shown);
    const QSize room = area.size().shrunkBy(frame);
    const QSize smallest = window.minimumSize().boundedTo(room);
    const QSize size = window.size().boundedTo(room).expandedTo(smallest);
    if (size != window.size()) {
        window.resize(size);
    }
    const QSize outer = size.grownBy(frame);
    // pos() is the frame's corner for a window.
    const QPoint corner = window.pos();
    window.move(Between(corner.x(), area.left(), area.right() + 1 - outer.width()),
                Between(corner.y(), area.top(), area.bottom() + 1 - outer.height()));
}

void PlaceBeside(QWidget& window, const QWidget& mainWindow) {
    const QRect area = AvailableArea(mainWindow);
    if (area.isEmpty()) {
        return;
    }
    const QMargins frame = FrameMargins(window, mainWindow);
    const QRect main = mainWindow.frameGeometry();
    const int smallest = window.minimumSizeHint().expandedTo(window.minimumSize()).width() +
                         frame.left() + frame.right();
    const int rightRoom = area.right() - main.right();
    const int leftRoom = main.left() - area.left();
    const int room = std::max(rightRoom, leftRoom);
    const QSize wanted = window.size();
    if (room < smallest) {
        window.move(main.center().x() - wanted.width() / 2, main.top());
        KeepInsideScreen(window, mainWindow);
        return;
    }
    const int width = std::min(wanted.width(), room - frame.left() - frame.right());
    const int height = std::min(wanted.height(), area.height() - frame.top() - frame.bottom());
    window.resize(width, height);
    const int outerWidth = width + frame.left() + frame.right();
    const int x = rightRoom >= leftRoom ? main.right() + 1 : main.left() - outerWidth;
    const int outerHeight = height + frame.top() + frame.bottom();
    window.move(x, Between(main.top(), area.top(), area.bottom() + 1 - outerHeight));
}

} // namespace kalore

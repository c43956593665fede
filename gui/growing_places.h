#pragma once

#include <vector>

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace kalore {

// A window laid out at fixed places, for a size it was designed at, that may grow:
// each control remembers its designed place and follows the window's extra width and
// height as told. A window smaller than designed (a short screen) takes the missing
// height from one control that can give it.
class GrowingPlaces final {
public:
    enum Follow : unsigned {
        Stay = 0,
        Right = 1 << 0,   // moves right by the extra width
        Wider = 1 << 1,   // widens by the extra width
        Down = 1 << 2,    // moves down by the extra height
        Taller = 1 << 3,  // heightens by the extra height
        Up = 1 << 4,      // moves up by the height given up
        Shorter = 1 << 5, // gives up the missing height
    };

    // `design` is the window's designed client size; `give` how much height the
    // Shorter control may give up at most.
    GrowingPlaces(QSize design, int give) : design_(design), give_(give) {}

    // Remembers widget's place now as its designed one.
    void Add(QWidget& widget, unsigned follow);
    // Every control at its place for a client area of `size`.
    void Apply(QSize size) const;
    // The smallest client size the controls fit in: the design, less what may be
    // given up when `room` (the screen's) is shorter.
    QSize Minimum(QSize room) const;
    // Where `widget` goes for `size`, from its designed place.
    QRect PlaceFor(const QRect& designed, unsigned follow, QSize size) const;

private:
    struct Place {
        QPointer<QWidget> widget;
        QRect designed;
        unsigned follow;
    };
    QSize design_;
    int give_;
    std::vector<Place> places_;
};

} // namespace kalore

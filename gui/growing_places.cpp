#include "gui/growing_places.h"

#include <algorithm>

namespace kalore {

void GrowingPlaces::Add(QWidget& widget, unsigned follow) {
    places_.push_back({&widget, widget.geometry(), follow});
}

QRect GrowingPlaces::PlaceFor(const QRect& designed, unsigned follow, QSize size) const {
    const int wider = std::max(0, size.width() - design_.width());
    const int taller = std::max(0, size.height() - design_.height());
    const int shorter = std::max(-give_, std::min(0, size.height() - design_.height()));
    QRect place = designed;
    place.translate((follow & Right) ? wider : 0,
                    ((follow & Down) ? taller : 0) + ((follow & Up) ? shorter : 0));
    place.setWidth(place.width() + ((follow & Wider) ? wider : 0));
    place.setHeight(place.height() + ((follow & Taller) ? taller : 0) +
                    ((follow & Shorter) ? shorter : 0));
    return place;
}

void GrowingPlaces::Apply(QSize size) const {
    for (const Place& place : places_) {
        if (place.widget) {
            place.widget->setGeometry(PlaceFor(place.designed, place.follow, size));
        }
    }
}

QSize GrowingPlaces::Minimum(QSize room) const {
    const int height = std::clamp(room.height(), design_.height() - give_, design_.height());
    return {design_.width(), height};
}

} // namespace kalore

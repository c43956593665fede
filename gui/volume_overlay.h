#pragma once

#include <QLabel>
#include <QTimer>

namespace kalore {

// A word over the picture: the sound level (or the pause) for a second over its
// bottom, or a lasting badge in its top left corner. A window of its own: the
// player's native window would cover any child of the panel.
class VolumeOverlay final : public QLabel {
    Q_OBJECT

public:
    enum class Place { BottomCentre, TopLeft };

    // `shownMs` 0: shown until hidden.
    explicit VolumeOverlay(Place place = Place::BottomCentre, int shownMs = kNewsMs);

    // "Volume : 40 %" or "Son coupé", centred low over picture (global coordinates).
    void ShowLevel(int level, bool muted, const QRect& picture);
    // Any other short news of the picture ("Pause", "Direct").
    void ShowText(const QString& text, const QRect& picture);

    static QString Text(int level, bool muted);
    static constexpr int kNewsMs = 1000;

private:
    Place place_;
    QTimer hideTimer_;
};

} // namespace kalore

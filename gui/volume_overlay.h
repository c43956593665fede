#pragma once

#include <QLabel>
#include <QTimer>

namespace kalore {

// The sound level (or the pause), shown for a second over the bottom of the picture. A window of
// its own: the player's native window would cover any child of the panel.
class VolumeOverlay final : public QLabel {
    Q_OBJECT

public:
    VolumeOverlay();

    // "Volume : 40 %" or "Son coupé", centred low over picture (global coordinates).
    void ShowLevel(int level, bool muted, const QRect& picture);
    // Any other short news of the picture ("Pause", "Direct").
    void ShowText(const QString& text, const QRect& picture);

    static QString Text(int level, bool muted);

private:
    QTimer hideTimer_;
};

} // namespace kalore

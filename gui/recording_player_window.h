#pragma once

#include <string>
#include <vector>

#include <QTimer>
#include <QWidget>

class QFrame;
class QLabel;
class QSlider;

namespace kalore {

class TVLCPlugin;
class WatchControls;

// A recording played in Kalore's own player: its parts one after the other, with a
// slider to move within the part that plays, and the live view's keys: Space pauses,
// the wheel and M the sound, F11 or a double-click full screen.
class RecordingPlayerWindow final : public QWidget {
    Q_OBJECT
public:
    // Throws VlcError when libVLC can't play here.
    RecordingPlayerWindow(const QString& caption, const std::vector<std::string>& files,
                          const std::vector<std::string>& libvlcArgs, QWidget* parent);
    ~RecordingPlayerWindow() override;

    TVLCPlugin& Player() const { return *player_; }
    QSlider& Position() const { return *position_; }
    WatchControls& Controls() const { return *controls_; }

private:
    void ShowPosition();

    QFrame* screen_ = nullptr;
    TVLCPlugin* player_ = nullptr; // a child of the screen
    QSlider* position_ = nullptr;
    QLabel* time_ = nullptr;
    QTimer refresh_;
    WatchControls* controls_ = nullptr;
};

} // namespace kalore

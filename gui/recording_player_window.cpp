#include "gui/recording_player_window.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QTime>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/keyboard_access.h"
#include "gui/watch_controls.h"
#include "player/vlc_plugin.h"

namespace kalore {
namespace {

constexpr int kRefreshMs = 500;

QString Clock(std::int64_t milliseconds) {
    return QTime(0, 0).addMSecs(static_cast<int>(milliseconds)).toString("HH:mm:ss");
}

} // namespace

RecordingPlayerWindow::RecordingPlayerWindow(const QString& caption,
                                             const std::vector<std::string>& files,
                                             const std::vector<std::string>& libvlcArgs,
                                             QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName("RecordingPlayerWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    CloseOnEscape(*this);
    setWindowTitle(caption);
    resize(640, 420);
    screen_ = new QFrame(this);
    screen_->setStyleSheet("background: black;");
    screen_->setMinimumSize(320, 240);
    position_ = new QSlider(Qt::Horizontal, this);
    position_->setObjectName("PositionSlider");
    time_ = new QLabel(Clock(0), this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(position_, 1);
    bar->addWidget(time_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(screen_, 1);
    layout->addLayout(bar);

    player_ = new TVLCPlugin(screen_, screen_->rect(), libvlcArgs);
    for (const std::string& file : files) {
        player_->AddItem(QUrl::fromLocalFile(QString::fromStdString(file)).toString().toStdString(),
                         {}, 0, 0);
    }
    player_->Play();
    controls_ = new WatchControls(*this, *player_);
    controls_->setParent(this);
    // The keys go to the picture: the slider is for the mouse.
    position_->setFocusPolicy(Qt::NoFocus);
    player_->setFocus();
    connect(position_, &QSlider::sliderMoved, this,
            [this](int value) { player_->SetTime(static_cast<std::int64_t>(value) * 1000); });
    connect(&refresh_, &QTimer::timeout, this, [this] { ShowPosition(); });
    refresh_.start(kRefreshMs);
}

RecordingPlayerWindow::~RecordingPlayerWindow() {
    if (player_ != nullptr) {
        player_->Stop();
    }
}

void RecordingPlayerWindow::ShowPosition() {
    if (player_->parentWidget() == screen_) { // not while full screen has it
        player_->setGeometry(screen_->rect());
    }
    const std::int64_t length = player_->Length();
    const std::int64_t time = player_->Time();
    if (!position_->isSliderDown()) {
        position_->setRange(0, static_cast<int>(length / 1000));
        position_->setValue(static_cast<int>(time / 1000));
    }
    time_->setText(Clock(time) + " / " + Clock(length));
}

} // namespace kalore

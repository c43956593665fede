// The main window's side of zapping: a channel chosen while watching plays at once,
// in the same player; Page Up and Page Down, a channel's number and Backspace (back)
// do the same from the keyboard, and each change shows the channel's banner.
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

#include "gui/channel_zapper.h"
#include "gui/main_window.h"
#include "gui/watch_controls.h"
#include "player/live_view.h"

namespace kalore {

void TForm1::BuildZapping() {
    zapper_ = new ChannelZapper(
        channels_.names, [this] { return channels_.selectedIndex; },
        [this](int index) { ChooseChannel(index); });
    zapper_->setParent(this);
    zapper_->onTyping = [this](const QString& typed) {
        watch_->ShowBanner(QStringLiteral("Chaîne ") + typed + "_", {}, {});
    };
    zapper_->onUnknown = [this](const QString& typed) {
        watch_->ShowBanner(QStringLiteral("Aucune chaîne n° ") + typed, {}, {});
    };
    watch_->onOtherKey = [this](const QKeyEvent& event) {
        return Watching() && zapper_->HandleKey(event);
    };
    // Whatever has the focus in the window, while the picture plays.
    for (const auto& [key, steps] :
         {std::pair{Qt::Key_PageDown, 1}, std::pair{Qt::Key_PageUp, -1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setObjectName(steps > 0 ? "NextChannelShortcut" : "PreviousChannelShortcut");
        shortcut->setEnabled(false);
        connect(shortcut, &QShortcut::activated, this, [this, steps] { zapper_->Step(steps); });
        channelShortcuts_.push_back(shortcut);
    }
}

bool TForm1::Watching() const {
    const TVLCPlugin* player = live_->Control();
    return player != nullptr && player->isVisible() && Button8->isEnabled();
}

void TForm1::ShowWatching() {
    for (QShortcut* shortcut : channelShortcuts_) {
        shortcut->setEnabled(Watching());
    }
}

void TForm1::ChooseChannel(int index) {
    const int from = channels_.selectedIndex;
    channels_.selectedIndex = index;
    channels_.nameText = index >= 0 && static_cast<std::size_t>(index) < channels_.names.size()
                             ? std::string(channels_.names[static_cast<std::size_t>(index)])
                             : ComboBox2->currentText().toStdString();
    if (ComboBox2->currentIndex() != index) {
        // A key chose it: the box shows it too.
        const QSignalBlocker blocker(ComboBox2);
        ComboBox2->setCurrentIndex(index);
    }
    ShowNowAndNext();
    if (index < 0 || index == from) {
        return;
    }
    zapper_->Changed(from, index);
    if (Watching()) {
        watch_->ChannelChanged();
        if (live_->Zap(channels_.SelectedAddress())) {
            ShowChannelBanner();
        }
    }
}

} // namespace kalore

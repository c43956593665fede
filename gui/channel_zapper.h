#pragma once

#include <functional>

#include <QObject>
#include <QString>
#include <QTimer>

class QKeyEvent;

namespace kalore {

class TextList;

// Changing channel while watching, as on a TV: Page Down and Page Up to the next or
// previous channel, digits typed for a channel's number (it goes once the typing
// pauses), Backspace back to the channel watched before (or to erase a digit).
class ChannelZapper final : public QObject {
    Q_OBJECT

public:
    // `names` are the channel box's; `current` its selected index (-1: none);
    // `zapTo` selects and plays a channel by index.
    ChannelZapper(const TextList& names, std::function<int()> current,
                  std::function<void(int)> zapTo);

    // True when the key was a channel key and was handled.
    bool HandleKey(const QKeyEvent& event);
    void Step(int steps);
    // Back to the channel watched before the last change.
    void Back();
    // The channel changed from `from` (any way: the box, a key): Back returns there.
    void Changed(int from, int to);

    // The digits typed so far, shown while typing ("1_").
    std::function<void(const QString&)> onTyping;
    // A number that names no channel.
    std::function<void(const QString&)> onUnknown;

    static constexpr int kTypingMs = 1500;
    static constexpr int kMostDigits = 4;

private:
    void TypeDigit(int digit);
    void GoToTyped();

    const TextList& names_;
    std::function<int()> current_;
    std::function<void(int)> zapTo_;
    QString typed_;
    QTimer typing_;
    int previous_ = -1;
};

} // namespace kalore

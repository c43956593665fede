#include "gui/channel_zapper.h"

#include <QKeyEvent>

#include "channels/channel_numbers.h"
#include "channels/text_list.h"

namespace kalore {

ChannelZapper::ChannelZapper(const TextList& names, std::function<int()> current,
                             std::function<void(int)> zapTo)
    : names_(names), current_(std::move(current)), zapTo_(std::move(zapTo)) {
    typing_.setSingleShot(true);
    typing_.setInterval(kTypingMs);
    connect(&typing_, &QTimer::timeout, this, &ChannelZapper::GoToTyped);
}

bool ChannelZapper::HandleKey(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        return false;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        TypeDigit(key - Qt::Key_0);
        return true;
    }
    switch (key) {
    case Qt::Key_PageDown:
        Step(1);
        return true;
    case Qt::Key_PageUp:
        Step(-1);
        return true;
    case Qt::Key_Backspace:
        if (!typed_.isEmpty()) {
            typed_.chop(1);
            typed_.isEmpty() ? typing_.stop() : typing_.start();
            if (onTyping) {
                onTyping(typed_);
            }
        } else {
            Back();
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (typed_.isEmpty()) {
            return false;
        }
        typing_.stop();
        GoToTyped();
        return true;
    default:
        return false;
    }
}

void ChannelZapper::Step(int steps) {
    const int next = StepChannel(names_.size(), current_(), steps);
    if (next >= 0) {
        zapTo_(next);
    }
}

void ChannelZapper::Back() {
    if (previous_ >= 0 && static_cast<std::size_t>(previous_) < names_.size()) {
        zapTo_(previous_);
    }
}

void ChannelZapper::Changed(int from, int to) {
    if (from >= 0 && from != to) {
        previous_ = from;
    }
}

void ChannelZapper::TypeDigit(int digit) {
    if (typed_.size() >= kMostDigits) {
        typed_.clear();
    }
    typed_ += QString::number(digit);
    typing_.start();
    if (onTyping) {
        onTyping(typed_);
    }
}

void ChannelZapper::GoToTyped() {
    const QString typed = typed_;
    typed_.clear();
    if (typed.isEmpty()) {
        return;
    }
    const int index = IndexOfChannelNumber(names_, typed.toInt());
    if (index >= 0) {
        zapTo_(index);
    } else if (onUnknown) {
        onUnknown(typed);
    }
}

} // namespace kalore

#include "gui/typed_time_edit.h"

#include <QKeyEvent>

namespace kalore {
namespace {

constexpr std::array<int, 3> kLargest{23, 59, 59};
constexpr std::array<QDateTimeEdit::Section, 3> kSections{
    QDateTimeEdit::HourSection, QDateTimeEdit::MinuteSection, QDateTimeEdit::SecondSection};

} // namespace

TypedTimeEdit::TypedTimeEdit(QWidget* parent) : QTimeEdit(parent) {}

void TypedTimeEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && text.size() == 1 && text[0].isDigit()) {
        TypeDigit(text[0].digitValue());
        return;
    }
    if (plain && typing_ && text.size() == 1 && QStringLiteral(":h. ").contains(text[0])) {
        NextField();
        return;
    }
    typing_ = false;
    QTimeEdit::keyPressEvent(event);
}

void TypedTimeEdit::focusOutEvent(QFocusEvent* event) {
    typing_ = false;
    QTimeEdit::focusOutEvent(event);
}

void TypedTimeEdit::TypeDigit(int digit) {
    // A time set meanwhile (another key, the program) ends what was typed too.
    if (!typing_ || lastKey_.elapsed() > kTypingPauseMs || field_ >= 3 || time() != shown_) {
        fields_ = {};
        field_ = 0;
        digits_ = 0;
        typing_ = true;
    }
    lastKey_.start();
    if (digits_ == 1 && fields_[field_] * 10 + digit > kLargest[field_]) {
        // "930": the 3 can't follow the 9 in the hours, so it begins the minutes.
        NextField();
        if (field_ >= 3) {
            return;
        }
    }
    fields_[field_] = digits_ == 1 ? fields_[field_] * 10 + digit : digit;
    if (++digits_ == 2) {
        NextField();
    }
    ShowTyped();
}

void TypedTimeEdit::NextField() {
    if (digits_ > 0 || field_ == 0) {
        ++field_;
    }
    digits_ = 0;
    ShowTyped();
}

void TypedTimeEdit::ShowTyped() {
    shown_ = QTime(fields_[0], fields_[1], fields_[2]);
    setTime(shown_);
    setSelectedSection(kSections[std::min(field_, 2)]);
}

} // namespace kalore

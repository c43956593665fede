#pragma once

#include <array>

#include <QElapsedTimer>
#include <QTimeEdit>

namespace kalore {

// A time field that takes a time typed whole, over whatever it showed: "09:15:00",
// "9:15", "0915" and "930" all give 09:15:00 or 09:30:00, whichever section was
// selected (the toolkit's own field types into one section only, so "09:15:00"
// typed over 07:28:00 gave 07:15:00). The arrow keys and the wheel work as before.
class TypedTimeEdit final : public QTimeEdit {
    Q_OBJECT

public:
    explicit TypedTimeEdit(QWidget* parent = nullptr);

    // A pause this long ends a typed time: the next digit begins another.
    static constexpr int kTypingPauseMs = 2000;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void TypeDigit(int digit);
    void NextField();
    void ShowTyped();

    bool typing_ = false;
    QElapsedTimer lastKey_;
    std::array<int, 3> fields_{}; // hours, minutes, seconds
    QTime shown_;                 // what was typed, as shown
    int field_ = 0;
    int digits_ = 0; // typed into the current field
};

} // namespace kalore

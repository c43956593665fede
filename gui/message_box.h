#pragma once

#include <functional>
#include <string>
#include <vector>

class QString;
class QWidget;

namespace kalore {

// The program's plain modal message box. Tests capture the texts instead of
// showing them, so no click is needed.
void ShowMessageBox(QWidget* parent, const std::string& text);
// The same box, but not modal: it returns at once and the window goes on; the
// box closes itself when dismissed.
void ShowNoticeBox(QWidget* parent, const std::string& text);
// The notice with a button `actionText` beside "OK" that closes it and does `action`.
void ShowNoticeBox(QWidget* parent, const std::string& text, const QString& actionText,
                   std::function<void()> action);
// A message box that nothing waits on: shown at once when no other queued box is
// up, else when the one before it is dismissed, so the user reads them in the
// order they came. Tests capture its text as a message box's: it is one, only
// the program goes on under it.
void ShowQueuedMessageBox(QWidget* parent, const std::string& text);
// Closes the queued boxes, shown and waiting (the program is closing); the texts of
// those nobody dismissed.
std::vector<std::string> CloseQueuedMessageBoxes();

// A modal question with "Oui" and "Non"; true for "Oui".
bool AskYesNoBox(QWidget* parent, const std::string& text);

class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture&) = delete;
    MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;
    const std::vector<std::string>& texts() const { return texts_; }
    const std::vector<std::string>& notices() const { return notices_; }
    // The action offered by the last notice that had one; empty when none.
    const std::function<void()>& noticeAction() const { return noticeAction_; }
    const std::vector<std::string>& questions() const { return questions_; }
    // The answer given to every question while captured.
    bool answer = true;
    void clear() {
        texts_.clear();
        notices_.clear();
        questions_.clear();
    }

private:
    friend void ShowMessageBox(QWidget*, const std::string&);
    friend void ShowNoticeBox(QWidget*, const std::string&);
    friend void ShowNoticeBox(QWidget*, const std::string&, const QString&, std::function<void()>);
    friend void ShowQueuedMessageBox(QWidget*, const std::string&);
    friend bool AskYesNoBox(QWidget*, const std::string&);
    std::vector<std::string> texts_;
    std::vector<std::string> notices_;
    std::function<void()> noticeAction_;
    std::vector<std::string> questions_;
    MessageBoxCapture* previous_ = nullptr;
};

} // namespace kalore

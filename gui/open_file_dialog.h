#pragma once

#include <deque>
#include <optional>

#include <QString>

class QWidget;

namespace kalore {

// The standard open-file dialog, which keeps the last file name chosen, as the
// toolkit's component does. Tests queue answers so that no dialog is shown.
class OpenFileDialog final {
public:
    // Runs the dialog; its file name becomes the choice, and stays as it was on cancel.
    void Execute(QWidget* parent);
    const QString& FileName() const { return fileName_; }

    // The next Execute answers this instead of asking: a file name, or nullopt to cancel.
    static void SetNextAnswer(std::optional<QString> answer);

private:
    QString fileName_;
    static std::deque<std::optional<QString>> nextAnswers_;
};

} // namespace kalore

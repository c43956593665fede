#include "gui/open_file_dialog.h"

#include <QFileDialog>

namespace kalore {

std::deque<std::optional<QString>> OpenFileDialog::nextAnswers_;

void OpenFileDialog::Execute(QWidget* parent) {
    std::optional<QString> chosen;
    if (!nextAnswers_.empty()) {
        chosen = nextAnswers_.front();
        nextAnswers_.pop_front();
    } else {
        const QString name = QFileDialog::getOpenFileName(parent, QString(), fileName_);
        if (!name.isEmpty()) {
            chosen = name;
        }
    }
    if (chosen && !chosen->isEmpty()) {
        fileName_ = *chosen;
    }
}

void OpenFileDialog::SetNextAnswer(std::optional<QString> answer) {
    nextAnswers_.push_back(std::move(answer));
}

} // namespace kalore

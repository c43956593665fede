#include "gui/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "gui/application_title.h"

namespace kalore {
namespace {
MessageBoxCapture* capture = nullptr;
}

MessageBoxCapture::MessageBoxCapture() : previous_(capture) {
    capture = this;
}
MessageBoxCapture::~MessageBoxCapture() {
    if (capture == this) {
        capture = previous_;
    }
}

namespace {

// A carriage return breaks the line in the box, as the texts are written.
QString Shown(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace

void ShowMessageBox(QWidget* parent, const std::string& text) {
    if (capture != nullptr) {
        capture->texts_.push_back(text);
        return;
    }
    QMessageBox::information(parent, ApplicationTitle(), Shown(text));
}

bool AskYesNoBox(QWidget* parent, const std::string& text) {
    if (capture != nullptr) {
        capture->questions_.push_back(text);
        return capture->answer;
    }
    QMessageBox box(QMessageBox::Question, ApplicationTitle(), Shown(text), QMessageBox::NoButton,
                    parent);
    QPushButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Non"), QMessageBox::NoRole));
    box.exec();
    return box.clickedButton() == yes;
}

void ShowNoticeBox(QWidget* parent, const std::string& text) {
    if (capture != nullptr) {
        capture->notices_.push_back(text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, ApplicationTitle(), Shown(text),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

} // namespace kalore

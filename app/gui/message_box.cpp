#include "app/gui/message_box.h"

#include <QMessageBox>

#include "app/gui/application_title.h"

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

void ShowMessageBox(QWidget* parent, const std::string& text) {
    if (capture != nullptr) {
        capture->texts_.push_back(text);
        return;
    }
    // A carriage return breaks the line in the box, as the texts are written.
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox::information(parent, ApplicationTitle(), shown);
}

} // namespace kalore

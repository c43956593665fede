#include "gui/message_box.h"

#include <deque>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
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

namespace {

struct QueuedBox {
    QPointer<QWidget> parent;
    std::string text;
};
std::deque<QueuedBox> waitingBoxes;
QPointer<QMessageBox> shownQueuedBox;
std::string shownQueuedText;

QMessageBox* OpenNonModalBox(QWidget* parent, const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Information, ApplicationTitle(), Shown(text),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

void ShowNextQueuedBox() {
    while (!shownQueuedBox && !waitingBoxes.empty()) {
        QueuedBox next = std::move(waitingBoxes.front());
        waitingBoxes.pop_front();
        // A box whose window has gone is dropped with it.
        if (next.parent) {
            shownQueuedBox = OpenNonModalBox(next.parent, next.text);
            shownQueuedText = next.text;
            QObject::connect(
                shownQueuedBox, &QObject::destroyed, qApp, [] { ShowNextQueuedBox(); },
                Qt::QueuedConnection);
        }
    }
}

} // namespace

void ShowQueuedMessageBox(QWidget* parent, const std::string& text) {
    if (capture != nullptr) {
        capture->texts_.push_back(text);
        return;
    }
    waitingBoxes.push_back({parent, text});
    ShowNextQueuedBox();
}

std::vector<std::string> CloseQueuedMessageBoxes() {
    std::vector<std::string> unread;
    if (shownQueuedBox) {
        unread.push_back(shownQueuedText);
    }
    for (const QueuedBox& box : waitingBoxes) {
        unread.push_back(box.text);
    }
    waitingBoxes.clear();
    delete shownQueuedBox.data();
    return unread;
}

void ShowNoticeBox(QWidget* parent, const std::string& text) {
    if (capture != nullptr) {
        capture->notices_.push_back(text);
        return;
    }
    OpenNonModalBox(parent, text);
}

void ShowNoticeBox(QWidget* parent, const std::string& text, const QString& actionText,
                   std::function<void()> action) {
    if (capture != nullptr) {
        capture->notices_.push_back(text);
        capture->noticeAction_ = std::move(action);
        return;
    }
    QMessageBox* box = OpenNonModalBox(parent, text);
    QPushButton* button = box->addButton(actionText, QMessageBox::ActionRole);
    QObject::connect(button, &QPushButton::clicked, box, std::move(action));
}

} // namespace kalore

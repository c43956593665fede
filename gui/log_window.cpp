#include "gui/log_window.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "gui/keyboard_access.h"

namespace kalore {

LogWindow::LogWindow(const QString& text, const QString& where, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName("LogWindow");
    setWindowTitle(QStringLiteral("Journal de Kalore"));
    CloseOnEscape(*this);
    resize(820, 520);
    where_ = new QLabel(where, this);
    where_->setObjectName("LogFileLabel");
    where_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where_->setWordWrap(true);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("LogText");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(text);
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(where_);
    layout->addWidget(text_, 1);
}

void LogWindow::Append(const QString& line) {
    QScrollBar& bar = *text_->verticalScrollBar();
    // Follows the new lines unless the user scrolled up to read.
    const bool atEnd = bar.value() == bar.maximum();
    text_->appendPlainText(line);
    if (atEnd) {
        bar.setValue(bar.maximum());
    }
}

} // namespace kalore

#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace kalore {

// "Journal de Kalore": the log, which the main window keeps out of sight, shown so
// that it can be read (where a recording went, why a channel has no guide, the
// relay's address), with the lines of earlier runs kept in its file, and the new
// ones as they come.
class LogWindow final : public QWidget {
    Q_OBJECT
public:
    // `text`: the log so far; `where`: where its file is, or why there is none.
    LogWindow(const QString& text, const QString& where, QWidget* parent);

    void Append(const QString& line);
    QPlainTextEdit& Text() const { return *text_; }

private:
    QLabel* where_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
};

} // namespace kalore

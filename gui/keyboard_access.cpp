#include "gui/keyboard_access.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace kalore {
namespace {

struct ButtonKey {
    const char* button;
    const char* key;
};

// Ctrl with the action's initial: none of them is an editing key of the text boxes.
constexpr ButtonKey kButtonKeys[] = {
    {"Button1", "Ctrl+T"},          // Regarder la TV
    {"Button8", "Ctrl+Shift+T"},    // Stop lecture
    {"Button4", "Ctrl+R"},          // Enregistrer la TV
    {"Button9", "Ctrl+Shift+R"},    // Stop Enregistrement
    {"GuideButton", "Ctrl+G"},      // Guide TV
    {"Button10", "Ctrl+P"},         // Programmer l'enregistrement
    {"RecordingsButton", "Ctrl+L"}, // Mes enregistrements
};

class DownIntoResults final : public QObject {
public:
    DownIntoResults(QLineEdit& search, QAbstractItemView& results)
        : QObject(&search), results_(results) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Down && key != Qt::Key_PageDown) {
            return false;
        }
        QAbstractItemModel* model = results_.model();
        if (model == nullptr || model->rowCount() == 0) {
            return false;
        }
        if (!results_.currentIndex().isValid()) {
            results_.setCurrentIndex(model->index(0, 0));
        }
        results_.setFocus(Qt::TabFocusReason);
        return true;
    }

private:
    QAbstractItemView& results_;
};

} // namespace

void AddMainWindowShortcuts(QWidget& window) {
    for (const ButtonKey& entry : kButtonKeys) {
        auto* button = window.findChild<QPushButton*>(entry.button);
        if (button == nullptr) {
            continue;
        }
        const QKeySequence key(QString::fromLatin1(entry.key));
        button->setShortcut(key);
        button->setToolTip(QStringLiteral("%1 (%2)").arg(button->text().remove('&'),
                                                         key.toString(QKeySequence::NativeText)));
    }
}

void CloseOnEscape(QWidget& window) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    QObject::connect(escape, &QShortcut::activated, &window, &QWidget::close);
}

void MoveDownIntoResults(QLineEdit& search, QAbstractItemView& results) {
    search.installEventFilter(new DownIntoResults(search, results));
}

} // namespace kalore

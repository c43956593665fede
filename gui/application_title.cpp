#include "gui/application_title.h"

#include <QWidget>

namespace kalore {
namespace {

QString& Title() {
    static QString title = QStringLiteral("Kalore");
    return title;
}

} // namespace

QString ApplicationTitle() {
    return Title();
}

void SetApplicationTitle(const QString& title) {
    Title() = title;
}

void ShowApplicationTitleIn(QWidget& window) {
    window.setWindowIconText(Title());
}

} // namespace kalore

#pragma once

#include <QString>

class QWidget;

namespace kalore {

// The application title: "Kalore" from the start, changed while a recording runs. It
// is the caption of the program's message boxes and the main window's name in the
// task bar. It is deliberately not Qt's application display name, which the desktop
// platform appends to every window's caption, so each window keeps exactly its own.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Shows the application title as the window's task-bar name (its icon name), where
// the desktop has one; the window's caption stays as it is.
void ShowApplicationTitleIn(QWidget& window);

} // namespace kalore

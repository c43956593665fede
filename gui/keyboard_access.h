#pragma once

class QAbstractItemView;
class QLineEdit;
class QWidget;

namespace kalore {

// The main window's buttons that have a key (the button clicks itself, so a disabled
// one does nothing), each named with its key in its tooltip.
void AddMainWindowShortcuts(QWidget& window);

// Escape closes window.
void CloseOnEscape(QWidget& window);

// Down (and Page Down) in search moves into results, on their first row when none is
// current; the text keeps being typed into search otherwise.
void MoveDownIntoResults(QLineEdit& search, QAbstractItemView& results);

} // namespace kalore

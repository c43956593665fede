#pragma once

#include <QIcon>
#include <QPixmap>

namespace kalore {

// A picture of the windows ("background.jpg", "splash.jpg"), read through Qt's JPEG
// reader from this library's resources.
QPixmap WindowPicture(const char* name);

// The program's icon, the one its desktop entry shows, for the window and the task bar.
QIcon ProgramIcon();

} // namespace kalore

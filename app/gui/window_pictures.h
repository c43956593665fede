#pragma once

#include <QPixmap>

namespace kalore {

// A picture of the windows ("background.jpg", "splash.jpg"), read through Qt's JPEG
// reader from this library's resources.
QPixmap WindowPicture(const char* name);

} // namespace kalore

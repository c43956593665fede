#include "gui/window_fonts.h"

#include <QFile>
#include <QFontDatabase>

namespace kalore {

void LoadWindowFonts() {
    if (QFontDatabase::families().contains("Tahoma")) {
        return;
    }
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        if (QFile::exists(file)) {
            QFontDatabase::addApplicationFont(file);
        }
    }
}

} // namespace kalore

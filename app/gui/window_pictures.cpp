#include "app/gui/window_pictures.h"

#include <QString>

// The pictures are a resource of a static library, which the linker would drop
// unless it is registered by hand.
static void InitWindowPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace kalore {

QPixmap WindowPicture(const char* name) {
    static const bool registered = (InitWindowPictures(), true);
    (void)registered;
    return QPixmap(QStringLiteral(":/pictures/pictures/") + QLatin1String(name), "JPG");
}

} // namespace kalore

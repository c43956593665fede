#include "gui/window_pictures.h"

#include <QString>

// The pictures are a resource of a static library, which the linker would drop
// unless it is registered by hand.
static void InitWindowPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace kalore {

namespace {
void RegisterPictures() {
    static const bool registered = (InitWindowPictures(), true);
    (void)registered;
}
} // namespace

QPixmap WindowPicture(const char* name) {
    RegisterPictures();
    return QPixmap(QStringLiteral(":/pictures/pictures/") + QLatin1String(name), "JPG");
}

QIcon ProgramIcon() {
    RegisterPictures();
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/kalore-48.png"));
    icon.addFile(QStringLiteral(":/pictures/kalore-128.png"));
    return icon;
}

} // namespace kalore

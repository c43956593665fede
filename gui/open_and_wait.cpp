#include "gui/open_and_wait.h"

#include <QDesktopServices>
#include <QUrl>

namespace kalore {

void OpenAndWait(const std::string& address) {
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(address)));
}

} // namespace kalore

#include "gui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kalore {

std::string LoadQtFrenchTranslations() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Owned by the application, which keeps it installed for the whole run.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::French, QLocale::France), "qtbase", "_", folder)) {
        delete translator;
        return "Traductions de Qt introuvables dans " + folder.toStdString() +
               " (paquet « qt6-translations-l10n ») : ses menus restent en anglais";
    }
    QCoreApplication::installTranslator(translator);
    return "Traductions de Qt : " + translator->filePath().toStdString();
}

} // namespace kalore

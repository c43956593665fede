#pragma once

#include <string>

namespace kalore {

// Qt's own texts in French (the text fields' menu, the time fields' steps, the
// standard buttons): Kalore speaks French whatever the system's language, and an
// English menu in the middle of it would be a foreign word. Returns the translation
// file loaded, or why none was, for the log.
std::string LoadQtFrenchTranslations();

} // namespace kalore

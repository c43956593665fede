#include "recorder/recorder_locale.h"

#include <cstdlib>

namespace kalore {

std::vector<std::string> RecorderLocaleChanges(const std::optional<std::string>& lcAll) {
    if (!lcAll || lcAll->empty()) {
        return {"LC_NUMERIC=C"};
    }
    return {"LC_ALL", "LANG=" + *lcAll, "LC_NUMERIC=C"};
}

std::vector<std::string> RecorderLocaleChanges() {
    const char* lcAll = std::getenv("LC_ALL");
    return RecorderLocaleChanges(lcAll != nullptr ? std::optional<std::string>(lcAll)
                                                  : std::nullopt);
}

} // namespace kalore

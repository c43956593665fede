#include "web/web_settings.h"

#include "settings/ini_file.h"
#include "settings/settings_file.h"

namespace kalore {

WebConfig LoadWebConfig(const std::string& programFolder, WebConfig defaults) {
    WebConfig config = std::move(defaults);
    IniFile ini;
    if (!ini.Load(SettingsFileName(programFolder))) {
        return config;
    }
    const auto take = [&ini](const char* key, std::string& value) {
        if (std::string configured = ini.Value("Web", key); !configured.empty()) {
            value = std::move(configured);
        }
    };
    take("site", config.site);
    take("box", config.box);
    take("freeText", config.freeText);
    take("orangeText", config.orangeText);
    take("makerAddress", config.makerAddress);
    return config;
}

} // namespace kalore

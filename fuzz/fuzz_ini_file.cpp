// Any bytes as a settings file: no crash; what reads without damage comes back byte
// for byte, and a value set reads back as set while the rest stays.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kalore::IniFile ini;
    if (!ini.Parse(bytes)) {
        return 0;
    }
    if (ini.Bytes() != bytes) {
        std::abort();
    }
    const std::string other = ini.Value("Web", "site");
    ini.SetValue("Visual", "lastRecordPath", "/home/élodie/été.avi");
    kalore::IniFile again;
    if (!again.Parse(ini.Bytes()) ||
        again.Value("Visual", "lastRecordPath") != "/home/élodie/été.avi" ||
        again.Value("Web", "site") != other) {
        std::abort();
    }
    return 0;
}

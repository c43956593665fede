#include "gui/program_info.h"

namespace kalore {

std::string MainCaption(const std::string& makerAddress) {
    return "Kalore v " + std::to_string(kProgramVersion / 10) + "." +
           std::to_string(kProgramVersion % 10) + " - " + makerAddress;
}

std::string DefaultPlayerLocation() {
    return "/usr/bin/vlc";
}

} // namespace kalore

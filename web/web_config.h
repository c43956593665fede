#pragma once

#include <string>

namespace kalore {

// Where the start-up queries go and what they look for. The window fills it from the
// optional [Web] section of the settings file; every value has a built-in default.
struct WebConfig {
    // Base URL of the maker's web site (version and address services).
    std::string site = "http://www.kalore-logiciels.fr";
    // Base URL under which Free's set-top box answers on the home network.
    std::string box = "http://mafreebox.freebox.fr";
    // Recognition texts: Free's lines answer as "...fbx.proxad.net" or "...subs.proxad.net".
    std::string freeText = ".proxad.net";
    std::string orangeText = ".abo.wanadoo.fr";
    // The address shown at the end of messages.
    std::string makerAddress = "http://www.kalore-logiciels.fr";
};

} // namespace kalore

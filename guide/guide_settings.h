#pragma once

#include <string>
#include <vector>

namespace kalore {

// The optional [Guide] section of B/kalore.ini, read at start-up and never written.
struct GuideSettings {
    std::string source; // http(s) address or local file of an XMLTV guide, plain or .gz
    int refreshHours = 12;
    int paddingBeforeMinutes = 2;
    int paddingAfterMinutes = 10;
};

struct GuideSettingsRead {
    GuideSettings settings;
    std::vector<std::string> warnings; // a log line for each value not understood
};

// A missing key keeps its default, and so does a value that is no whole number in
// range (refreshHours 1 to 720, paddings 0 to 240 minutes), with a warning.
GuideSettingsRead LoadGuideSettings(const std::string& programFolder);

// Where a local source is: an absolute path as it stands, "file://" addresses
// included; a relative one from the program folder. Empty for an http(s) address.
std::string LocalSourcePath(const std::string& source, const std::string& programFolder);

} // namespace kalore

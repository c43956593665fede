#pragma once

#include <string>

#include "web/web_config.h"

namespace kalore {

// Reads the optional [Web] section of B/kalore.ini (never written): each key that
// is missing or empty keeps its default.
WebConfig LoadWebConfig(const std::string& programFolder, WebConfig defaults = {});

} // namespace kalore

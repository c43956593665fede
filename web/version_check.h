#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "web/request_options.h"
#include "web/web_config.h"

namespace kalore {

// What the version check found, for the log and the tests.
struct VersionCheckResult {
    enum class Outcome { FetchFailed, NotANumber, UpToDate, NewerPublished };
    Outcome outcome = Outcome::FetchFailed;
    int published = 0;
};

// The published text without its leading and trailing blanks and control characters,
// read as a whole number (an optional sign, then digits); nothing when it is not one.
std::optional<int> ParseVersionText(std::string_view text);

// Fetches the published version; when it is above `programVersion`, shows the
// new-version message ending with the maker's address. Never stops the set-up.
VersionCheckResult CheckVersion(const WebEnvironment& web, const WebConfig& config,
                                int programVersion);

} // namespace kalore

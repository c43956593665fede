#pragma once

#include <string>
#include <string_view>

#include "web/request_options.h"
#include "web/web_config.h"

namespace kalore {

// The provider words.
inline constexpr std::string_view kOrange = "ORANGE";
inline constexpr std::string_view kFree = "FREE";

// The answer file of the address query, in the current working directory.
inline constexpr const char* kAddressAnswerFile = "ipGlobal";

// The first line of the answer file, "-1" when it can't be read.
std::string ReadAddressAnswer(const std::string& fileName = kAddressAnswerFile);

// "FREE" or "ORANGE" when the answer holds that provider's text (case-sensitive,
// anywhere in it; Orange wins when both occur), else the empty text.
std::string RecogniseProvider(std::string_view answer, const WebConfig& config);

// Asks the address service who we are through the answer file, tells the user when
// the provider is neither Orange nor Free (then "ORANGE"), logs the answer as one
// line and returns the provider word.
std::string DetectProvider(const WebEnvironment& web, const WebConfig& config);

} // namespace kalore

#pragma once

#include <string>
#include <string_view>

namespace kalore {

// Why the box didn't give a stream, in the user's words.

// From the status of its RTSP answer.
std::string RefusalForStatus(int status);
// From what went wrong talking to it (a GstRTSPResult: timeout, closed, garbled...).
std::string RefusalForExchange(int result);

// Answers the relay won't follow, whatever the box says.
std::string RefusalForRedirect(std::string_view location);
extern const char* const kRefusalEndlessRedirects;
extern const char* const kRefusalGarbled;
extern const char* const kRefusalNoStream;
std::string RefusalForStreamCount(int count);
extern const char* const kRefusalNoTransport;
extern const char* const kRefusalNothingSent;

} // namespace kalore

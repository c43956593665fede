#pragma once

#include <string>
#include <string_view>

namespace kalore {

// Why the box didn't give a stream, in the user's words.

// From the status of its RTSP answer.
std::string RefusalForStatus(int status);
// What went wrong talking to it.
enum class BoxFault {
    Unreachable, // no connection: no route, nothing listening, unknown name
    Silent,      // no answer in time
    Closed,      // it hung up before answering
    TooLong,     // an answer longer than any a box gives
    Garbled,     // not an RTSP answer
};
std::string RefusalForFault(BoxFault fault);

// Answers the relay won't follow, whatever the box says.
std::string RefusalForRedirect(std::string_view location);
extern const char* const kRefusalEndlessRedirects;
extern const char* const kRefusalGarbled;
extern const char* const kRefusalNoStream;
std::string RefusalForStreamCount(int count);
extern const char* const kRefusalNoTransport;
extern const char* const kRefusalNothingSent;

} // namespace kalore

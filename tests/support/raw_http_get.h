#pragma once

// A plain HTTP client for the relay's tests: it sends exactly what the test
// says, as a badly behaved reader would, and reads only the status.

#include <chrono>
#include <string>

namespace kalore::testing {

// Sends "METHOD <path> HTTP/1.1" to an "http://127.0.0.1:<port>/<path>" URL; the
// answer's status code ("404"), or "" when none came.
std::string RawHttpGet(const std::string& url, const std::string& method);
// Sends `bytes` as they are to "http://127.0.0.1:<port>"; the status code.
std::string RawSend(const std::string& root, const std::string& bytes);

// Connects to the URL like RawHttpGet and returns the body that came within
// `duration` (less when the server ended the connection).
std::string BodyWithin(const std::string& url, std::chrono::milliseconds duration);

} // namespace kalore::testing

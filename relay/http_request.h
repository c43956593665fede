#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalore {

// What a reader asked for in the first line of its request head.
struct HttpRequestLine {
    std::string method;
    std::string target;
};

// Reads "METHOD TARGET HTTP/1.x" from the start of a request head; none when the
// line is not one (a missing part, another protocol, control characters).
std::optional<HttpRequestLine> ParseRequestLine(std::string_view head);

// The whole answer to a request the relay won't serve: status line, headers
// closing the connection, and no body.
std::string HttpRefusal(int status, std::string_view reason);

} // namespace kalore

#include "relay/http_request.h"

#include <algorithm>

namespace kalore {

namespace {

bool IsTokenText(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7f;
    });
}

} // namespace

std::optional<HttpRequestLine> ParseRequestLine(std::string_view head) {
    const auto end = head.find("\r\n");
    const std::string_view line =
        head.substr(0, end == std::string_view::npos ? head.find('\n') : end);
    const auto firstSpace = line.find(' ');
    const auto lastSpace = line.rfind(' ');
    if (firstSpace == std::string_view::npos || firstSpace == lastSpace)
        return std::nullopt;
    const std::string_view method = line.substr(0, firstSpace);
    const std::string_view target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    const std::string_view version = line.substr(lastSpace + 1);
    if (!IsTokenText(method) || !IsTokenText(target) || !version.starts_with("HTTP/1.") ||
        version.size() != 8)
        return std::nullopt;
    return HttpRequestLine{std::string(method), std::string(target)};
}

std::string HttpRefusal(int status, std::string_view reason) {
    return "HTTP/1.0 " + std::to_string(status) + " " + std::string(reason) +
           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

} // namespace kalore

#include "web/http_get.h"

#include <sstream>

#include "web/http_transfer.h"

namespace kalore {

std::string HttpGetToStream(const std::string& url, std::ostream& stream,
                            const RequestOptions& options) {
    return std::string(HttpTransfer(url, stream, options).ok() ? kPasErreur : kErreur);
}

std::string HttpGetText(const std::string& url, const RequestOptions& options) {
    std::ostringstream stream;
    if (HttpGetToStream(url, stream, options) == kErreur) {
        return std::string(kErreur);
    }
    return JoinLinesWithCrLf(stream.view());
}

std::string JoinLinesWithCrLf(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8 + 2);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos) {
            text.append(bytes.substr(i));
            text.append("\r\n");
            break;
        }
        text.append(bytes.substr(i, end - i));
        text.append("\r\n");
        const bool crLf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
        i = end + (crLf ? 2 : 1);
    }
    return text;
}

} // namespace kalore

#include "relay/rtsp_answer.h"

#include <algorithm>

#include "seams/no_case.h"
#include "seams/trimmed.h"

namespace kalore {

namespace {

constexpr std::size_t kMaxHead = 16 * 1024;
constexpr std::size_t kMaxBody = 64 * 1024;

} // namespace

bool IsRequestToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7f;
    });
}

AnswerRead ReadRtspAnswer(std::string_view buffer, RtspAnswer& answer, std::size_t& used) {
    const auto headEnd = buffer.find("\r\n\r\n");
    if (headEnd == std::string_view::npos)
        return buffer.size() > kMaxHead                             ? AnswerRead::TooLong
               : buffer.size() >= 5 && !buffer.starts_with("RTSP/") ? AnswerRead::Garbled
                                                                    : AnswerRead::More;
    if (headEnd > kMaxHead)
        return AnswerRead::TooLong;
    std::string_view head = buffer.substr(0, headEnd);
    const std::string_view status = head.substr(0, head.find("\r\n"));
    // "RTSP/1.0 200 OK"
    if (!status.starts_with("RTSP/1.") || status.size() < 12 || status[8] != ' ' ||
        !std::all_of(status.begin() + 9, status.begin() + 12,
                     [](char c) { return c >= '0' && c <= '9'; }))
        return AnswerRead::Garbled;
    answer = {};
    answer.status = std::stoi(std::string(status.substr(9, 3)));
    std::size_t length = 0;
    head.remove_prefix(std::min(head.size(), status.size() + 2));
    while (!head.empty()) {
        const std::string_view line = head.substr(0, head.find("\r\n"));
        head.remove_prefix(std::min(head.size(), line.size() + 2));
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            return AnswerRead::Garbled;
        const std::string_view name = Trimmed(line.substr(0, colon), IsBlankOrTab);
        const std::string value(Trimmed(line.substr(colon + 1), IsBlankOrTab));
        if (SameNoCase(name, "Content-Length")) {
            if (value.empty() || !std::all_of(value.begin(), value.end(),
                                              [](char c) { return c >= '0' && c <= '9'; }))
                return AnswerRead::Garbled;
            if (value.size() > 7 || (length = std::stoul(value)) > kMaxBody)
                return AnswerRead::TooLong;
        } else if (SameNoCase(name, "Session")) {
            answer.session = value;
        } else if (SameNoCase(name, "Location")) {
            answer.location = value;
        } else if (SameNoCase(name, "Content-Base") ||
                   (SameNoCase(name, "Content-Location") && answer.contentBase.empty())) {
            answer.contentBase = value;
        } else if (SameNoCase(name, "Transport")) {
            answer.transport = value;
        }
    }
    const std::size_t whole = headEnd + 4 + length;
    if (buffer.size() < whole)
        return AnswerRead::More;
    answer.body = std::string(buffer.substr(headEnd + 4, length));
    used = whole;
    return AnswerRead::Whole;
}

} // namespace kalore

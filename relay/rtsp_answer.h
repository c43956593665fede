#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kalore {

// One answer of the box, as far as the relay reads it.
struct RtspAnswer {
    int status = 0;
    std::string session;
    std::string location;
    std::string contentBase;
    std::string transport;
    std::string body;
};

enum class AnswerRead {
    More,    // not whole yet
    Whole,   // read, `used` bytes of the buffer
    TooLong, // more than any answer of a box can be
    Garbled, // not an RTSP answer
};

// Reads the answer at the start of `buffer` (what the box sent so far). Bounded:
// a head of 16 KiB and a body of 64 KiB at most, whatever the box claims.
AnswerRead ReadRtspAnswer(std::string_view buffer, RtspAnswer& answer, std::size_t& used);

// Whether `text` can go into a request as it is: printable, no blank.
bool IsRequestToken(std::string_view text);

} // namespace kalore

#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "web/request_options.h"

namespace kalore {

// The status words of the text fetch.
inline constexpr std::string_view kPasErreur = "pasErreur";
inline constexpr std::string_view kErreur = "erreur";

// GET of `url` into the caller's stream: "erreur" when the request failed, else
// "pasErreur". Reports nothing itself.
std::string HttpGetToStream(const std::string& url, std::ostream& stream,
                            const RequestOptions& options = {});

// The body of the answer with every line (ended by CR LF, LF or CR) followed by
// CR LF, or "erreur" when the request failed.
std::string HttpGetText(const std::string& url, const RequestOptions& options = {});

// The line rule of HttpGetText on its own.
std::string JoinLinesWithCrLf(std::string_view bytes);

} // namespace kalore

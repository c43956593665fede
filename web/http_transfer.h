#pragma once

#include <iosfwd>
#include <string>

#include "web/request_options.h"

namespace kalore {

// The outcome of one GET: empty error text on success, else the error's own message.
struct TransferResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

// One GET of `url` into `out` with a client of its own (nothing carries over to the
// next request): redirections followed, cookies kept for this request only, no proxy,
// the fixed user agent. No connection, a time-out, a final status that isn't a
// success, an answer over the cap or a stream that refuses the bytes is an error.
TransferResult HttpTransfer(const std::string& url, std::ostream& out,
                            const RequestOptions& options);

} // namespace kalore

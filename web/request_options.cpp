#include "web/request_options.h"

#include <algorithm>

namespace kalore {

RequestOptions WebEnvironment::Request(std::chrono::milliseconds limit,
                                       std::size_t maxBytes) const {
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (deadline != steady_clock::time_point::max()) {
        // Once the time is up a request still gets a moment, and fails with a time-out
        // the user is told about, like any other.
        limit = std::min(limit, std::max(duration_cast<milliseconds>(deadline - now), 1ms));
    }
    return {timeouts.connect, timeouts.read, limit, maxBytes, runTransfer};
}

} // namespace kalore

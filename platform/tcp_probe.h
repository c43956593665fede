#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kalore {

// Looks whether something accepts TCP connections at `host`:`port` without ever
// holding the caller: the name is resolved and the connection made on a thread of
// its own, and closed as soon as it is made (one that gets no answer is given up
// after 3 s). `answered` gets the answer on that thread (at once on the caller's
// when no thread can be started), after the resolver's own time-out at worst; it
// must not reach anything the caller may have destroyed by then.
void ProbeTcpListener(const std::string& host, std::uint16_t port,
                      std::function<void(bool accepted)> answered);

} // namespace kalore

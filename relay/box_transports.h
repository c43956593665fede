#pragma once

#include <mutex>
#include <set>
#include <string>

#include "relay/box_session.h"

namespace kalore {

// How each box is reached: over UDP, as boxes prefer, until UDP brings nothing
// (a firewall drops it); then over TCP for the rest of the run, so that no later
// session waits for UDP again.
class BoxTransports {
public:
    BoxSession::Transport For(const std::string& address) const;
    void UseTcp(const std::string& address);

private:
    mutable std::mutex mutex_;
    std::set<std::string> overTcp_;
};

} // namespace kalore

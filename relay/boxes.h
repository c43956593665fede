#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "relay/box_session.h"

namespace kalore {

// What the relay knows of each box across its channels.
class Boxes {
public:
    // How the box is reached: over UDP, as boxes prefer, until UDP brings nothing
    // (a firewall drops it); then over TCP for the rest of the run, so that no
    // later session waits for UDP again.
    BoxSession::Transport TransportFor(const std::string& address) const;
    void UseTcp(const std::string& address);

    // Sessions still ending on the box (sending their TEARDOWN). A box with one
    // stream refuses a new session until the old one has gone, so a new one waits
    // for them, at most `limit` and not once `stop` is set.
    void Ending(const std::string& address);
    void Ended(const std::string& address);
    void AwaitEnded(const std::string& address, std::chrono::milliseconds limit,
                    const std::atomic<bool>& stop);

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::set<std::string> overTcp_;
    std::map<std::string, int> ending_;
};

} // namespace kalore

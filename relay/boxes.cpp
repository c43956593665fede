#include "relay/boxes.h"

#include "relay/box_description.h"

namespace kalore {

BoxSession::Transport Boxes::TransportFor(const std::string& address) const {
    std::lock_guard lock(mutex_);
    return overTcp_.count(BoxAuthority(address)) ? BoxSession::Transport::Tcp
                                                 : BoxSession::Transport::Udp;
}

void Boxes::UseTcp(const std::string& address) {
    std::lock_guard lock(mutex_);
    overTcp_.insert(BoxAuthority(address));
}

void Boxes::Ending(const std::string& address) {
    {
        std::lock_guard lock(mutex_);
        ++ending_[BoxAuthority(address)];
    }
    // A session that was waiting may be the one ending: it looks at its stop again.
    ended_.notify_all();
}

void Boxes::Ended(const std::string& address) {
    {
        std::lock_guard lock(mutex_);
        if (--ending_[BoxAuthority(address)] <= 0)
            ending_.erase(BoxAuthority(address));
    }
    ended_.notify_all();
}

void Boxes::AwaitEnded(const std::string& address, std::chrono::milliseconds limit,
                       const std::atomic<bool>& stop) {
    std::unique_lock lock(mutex_);
    ended_.wait_for(lock, limit, [&] { return stop || ending_.count(BoxAuthority(address)) == 0; });
}

} // namespace kalore

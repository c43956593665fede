#include "relay/box_transports.h"

#include "relay/box_description.h"

namespace kalore {

BoxSession::Transport BoxTransports::For(const std::string& address) const {
    std::lock_guard lock(mutex_);
    return overTcp_.count(BoxAuthority(address)) ? BoxSession::Transport::Tcp
                                                 : BoxSession::Transport::Udp;
}

void BoxTransports::UseTcp(const std::string& address) {
    std::lock_guard lock(mutex_);
    overTcp_.insert(BoxAuthority(address));
}

} // namespace kalore

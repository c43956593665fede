#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalore {

// What the relay takes from the box's description of a channel (its SDP): where to
// set up the MPEG-TS stream and where to play the session. Nothing else of it is
// used, so nothing else of it is kept.
struct BoxDescription {
    std::string sessionControl;
    std::string streamControl;
    // Why the description can't be used, in the user's words; empty when it can.
    std::string refusal;
};

// Reads an SDP, the box's answer to DESCRIBE of `box`, against `base` (the
// answer's Content-Base, else the address asked for). Controls that lead to
// another machine are refused like a redirect there.
BoxDescription ReadBoxDescription(std::string_view sdp, const std::string& box,
                                  const std::string& base);

// A control address of the description as an absolute address.
std::string ResolveControl(const std::string& base, std::string_view control);

// The machine an rtsp:// address names: its host (without brackets) and port.
struct BoxHost {
    std::string host;
    int port = 554;
};
// None for any other address.
std::optional<BoxHost> BoxHostOf(std::string_view address);
// "host:port" of an rtsp:// address, in lower case; empty for any other address.
std::string BoxAuthority(std::string_view address);

// Whether `address` is an rtsp:// address of the same machine (host and port)
// as `box`; the relay follows the box's redirects there and nowhere else.
bool SameBox(std::string_view box, std::string_view address);

} // namespace kalore

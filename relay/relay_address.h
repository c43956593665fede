#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalore {

// Whether an address must go through the relay: the player and the recorder have
// no RTSP client, every other scheme they open themselves.
bool NeedsRelay(std::string_view address);

// 32 hex digits from the system's random source: a reader that only knows the
// port can't guess the path of a channel.
std::string NewRelayToken();

// "http://127.0.0.1:<port>/<token>"
std::string LocalRelayAddress(int port, std::string_view token);

// The token a request target names ("/<token>", a query or fragment ignored);
// none when the target can't be one of ours.
std::optional<std::string> TokenOfTarget(std::string_view target);

} // namespace kalore

#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "relay/rtsp_source.h"

namespace kalore {

struct RelayOptions {
    // How long a box session outlives its last reader, time for another to come.
    std::chrono::milliseconds linger{3000};
    // A reader that got nothing for this long is cut, so that a recorder sees
    // the outage and carries on in a new file. Shorter than the recorder's own
    // stall limit: the stream's times carry on across a reconnection, so an
    // outage the recorder doesn't see would leave no trace in its file.
    std::chrono::milliseconds stallLimit{5000};
    RtspSource::Timing timing;
    // Who may read the channels: the user running Kalore unless told otherwise.
    std::optional<unsigned> readerOwner;
    std::function<void(const std::string&)> log = [](const std::string&) {
    };
    // The box refused a channel: its address and the reason, from the relay's
    // own threads.
    std::function<void(const std::string& source, const std::string& reason)> refused;
};

} // namespace kalore

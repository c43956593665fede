#pragma once

// A box that answers DESCRIBE with what no box should, a kind of nonsense per
// path: a description with no stream or a hundred, bytes that mean nothing, an
// answer or headers that never end, redirects in a loop or to another machine,
// and a box whose streams are all taken.

#include <atomic>
#include <string>

#include "support/loopback_servers.h"

namespace kalore::testing {

class HostileRtspBox {
public:
    HostileRtspBox();

    // "rtsp://127.0.0.1:<port>/<kind>": vide, charabia, enorme, entetes, boucle,
    // ailleurs, controle-ailleurs, multiflux, occupee.
    std::string Address(const std::string& kind) const;
    // DESCRIBE requests received so far.
    int Describes() const { return describes_; }

private:
    void Answer(int connection, int stopSignal);

    std::atomic<int> describes_{0};
    RawTestServer server_;
};

} // namespace kalore::testing

#pragma once

#include <string>

namespace kalore {

// Keeps the machine from sleeping, by itself or after idle time, while Kalore records:
// the desktop's own lock (logind's on Linux). Asking never fails loudly: a system
// without that service sleeps as before, and the implementation logs why.
class SleepLock {
public:
    virtual ~SleepLock() = default;
    // Holds the lock and says `why` to the desktop; a new reason replaces the one held.
    virtual void Hold(const std::string& why) = 0;
    virtual void Release() = 0;
};

} // namespace kalore

#include "platform/current_thread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace kalore {

std::uint64_t CurrentThreadId() {
    return static_cast<std::uint64_t>(gettid());
}

void LowerCurrentThreadPriority() {
    // On Linux the nice value of a thread id applies to that thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

} // namespace kalore

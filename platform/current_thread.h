#pragma once

#include <cstdint>

namespace kalore {

// The system's id of the calling thread, as the log shows it.
std::uint64_t CurrentThreadId();

// Puts the calling thread at the lowest scheduling priority so background work
// never competes with the window. Threads and processes started from it
// afterwards inherit that priority.
void LowerCurrentThreadPriority();

} // namespace kalore

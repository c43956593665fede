#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace kalore {

void PreferHugePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    // Only the whole huge pages inside the block: the advice must not reach memory
    // that belongs to something else.
    constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + size) & ~(kHugePage - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)size;
#endif
}

} // namespace kalore

#pragma once

#include <cstddef>

namespace kalore {

// Asks the system to back a large block that is about to be filled with huge pages
// where it offers them: filling 10 MB then takes a handful of page faults instead of
// thousands, which on some machines (virtual ones above all) is most of the time a
// fresh process spends loading a big file. A hint only: nothing changes elsewhere.
void PreferHugePages(void* data, std::size_t size);

} // namespace kalore

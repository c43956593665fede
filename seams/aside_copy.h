#pragma once

#include <cstddef>
#include <string>

namespace kalore {

struct LocalDateTime;

// How many copies of one kind ("damaged", "interrupted") a file keeps beside it.
inline constexpr std::size_t kAsideCopiesKept = 5;

// ".<kind>-YYYYMMDD-HHMMSS": the suffix of a copy kept aside at `now`.
std::string AsideSuffix(const char* kind, const LocalDateTime& now);

} // namespace kalore

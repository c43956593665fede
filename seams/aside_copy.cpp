#include "seams/aside_copy.h"

#include <cstdio>

#include "seams/clock.h"

namespace kalore {

std::string AsideSuffix(const char* kind, const LocalDateTime& now) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, ".%s-%04d%02d%02d-%02d%02d%02d", kind, now.year, now.month,
                  now.day, now.hour, now.minute, now.second);
    return stamp;
}

} // namespace kalore

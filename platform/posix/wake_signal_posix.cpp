#include "platform/wake_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace kalore {

WakeSignal::WakeSignal() : descriptor_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

void WakeSignal::Raise() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(descriptor_, &one, sizeof one);
}

void WakeSignal::Clear() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(descriptor_, &count, sizeof count);
}

} // namespace kalore

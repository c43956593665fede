#pragma once

namespace kalore {

// Ends another thread's wait at once: a descriptor that becomes readable when
// raised, watched beside the ones the wait is for (an eventfd on Linux).
class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // -1 when the system gave none.
    int Descriptor() const { return descriptor_; }
    // From any thread; stays raised until cleared.
    void Raise();
    void Clear();

private:
    int descriptor_;
};

} // namespace kalore

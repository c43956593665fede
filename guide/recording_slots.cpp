#include "guide/recording_slots.h"

namespace kalore {

std::vector<RecordingSlot> RecordingSlots(const std::vector<GuideProgramme>& byStart,
                                          int paddingBefore, int paddingAfter) {
    std::vector<RecordingSlot> slots;
    for (const GuideProgramme& programme : byStart) {
        const UtcSeconds start = programme.start - UtcSeconds{paddingBefore} * 60;
        const UtcSeconds stop = programme.stop + UtcSeconds{paddingAfter} * 60;
        if (!slots.empty() && start <= slots.back().stop) {
            slots.back().stop = std::max(slots.back().stop, stop);
            slots.back().programmes.push_back(programme);
            continue;
        }
        slots.push_back({start, stop, {programme}});
    }
    return slots;
}

} // namespace kalore

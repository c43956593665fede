#pragma once

#include <vector>

#include "guide/guide_store.h"

namespace kalore {

// What one schedule entry made from the guide records: its padded interval and the
// programmes it covers.
struct RecordingSlot {
    UtcSeconds start = 0;
    UtcSeconds stop = 0;
    std::vector<GuideProgramme> programmes;
};

// Each programme from `paddingBefore` minutes before its start to `paddingAfter`
// minutes after its end. Programmes given by start whose padded intervals overlap or
// touch (the schedule counts touching entries as overlapping, and episodes shown
// back to back always do once padded) share one slot, so no episode refuses the next.
std::vector<RecordingSlot> RecordingSlots(const std::vector<GuideProgramme>& byStart,
                                          int paddingBefore, int paddingAfter);

} // namespace kalore

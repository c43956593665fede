#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kalore {

class ScheduleTable;

// An interval of SecondsOfDateTime seconds, both bounds recorded.
struct SlotBounds {
    std::int64_t start = 0;
    std::int64_t end = 0;
    friend bool operator==(const SlotBounds&, const SlotBounds&) = default;
};

// A slot made of programmes (`core`, from the first's start to the last's end) with
// some margin before and after (`padded`), as the guide programs them.
struct PaddedSlot {
    SlotBounds padded;
    SlotBounds core;
};

// How a padded slot goes into the schedule. Back-to-back programmes touch, and
// their margins overlap, yet each is recorded whole: where margins alone make two
// entries meet, they give way, down to none (the earlier of two programmes that
// share a second loses its last one, as the schedule's entries may not touch).
// Only programmes that overlap are refused.
struct SlotFit {
    SlotBounds bounds;                            // of the new entry
    std::vector<std::pair<int, SlotBounds>> cuts; // rows whose margin gives way
    int conflictRow = -1;                         // the entry in the way, if any
};

// `coreOf(row)` gives the programmes an entry row records, when its slot is such a
// padded one; without it the whole row counts as programme. Only a "Programmé"
// row that starts after `now` may give up its margin. Throws ConversionError for a
// damaged row's dates.
SlotFit FitPaddedSlot(const ScheduleTable& table, const PaddedSlot& wanted,
                      const std::function<std::optional<SlotBounds>(int row)>& coreOf,
                      std::int64_t now);

} // namespace kalore

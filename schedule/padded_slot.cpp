#include "schedule/padded_slot.h"

#include <algorithm>

#include "schedule/schedule_table.h"

namespace kalore {

SlotFit FitPaddedSlot(const ScheduleTable& table, const PaddedSlot& wanted,
                      const std::function<std::optional<SlotBounds>(int row)>& coreOf,
                      std::int64_t now) {
    SlotFit fit{wanted.padded, {}, -1};
    const std::int64_t cs = wanted.core.start;
    const std::int64_t ce = wanted.core.end;
    for (int row = 1; row <= table.RowCount() - 2; ++row) {
        const std::int64_t s = table.StartSeconds(row);
        const std::int64_t e = table.EndSeconds(row);
        if (e < wanted.padded.start || s > wanted.padded.end) {
            continue;
        }
        std::optional<SlotBounds> core;
        if (table.Cell(row, kStatusColumn) == kStatusProgrammed && s > now && coreOf) {
            core = coreOf(row);
        }
        const bool cuttable = core && core->start >= s && core->end <= e && core->start < core->end;
        const SlotBounds programme = cuttable ? *core : SlotBounds{s, e};
        // Programmes that share more than an instant: a real overlap.
        if (programme.start < ce && cs < programme.end) {
            fit.conflictRow = row;
            return fit;
        }
        if (programme.end <= cs) { // the row comes first
            if (e < cs) {
                fit.bounds.start = std::max(fit.bounds.start, e + 1);
            } else if (cuttable && cs - 1 > s) {
                fit.cuts.push_back({row, {s, cs - 1}});
                fit.bounds.start = std::max(fit.bounds.start, cs);
            } else {
                fit.bounds.start = std::max(fit.bounds.start, e + 1);
            }
        } else { // the row comes after
            if (s > ce) {
                fit.bounds.end = std::min(fit.bounds.end, s - 1);
            } else if (cuttable && ce < e) {
                fit.cuts.push_back({row, {ce, e}});
                fit.bounds.end = std::min(fit.bounds.end, ce - 1);
            } else {
                fit.bounds.end = std::min(fit.bounds.end, s - 1);
            }
        }
    }
    // A programme of a second, or one that starts as another ends on both sides.
    if (fit.bounds.end <= fit.bounds.start) {
        fit.conflictRow = 0;
    }
    return fit;
}

} // namespace kalore

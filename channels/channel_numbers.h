#pragma once

#include <cstddef>

namespace kalore {

class TextList;

// The channel `steps` places after `index` (before, when negative), round the list;
// from no channel (-1), the first or the last. -1 for an empty list.
int StepChannel(std::size_t count, int index, int steps);

// The index of the channel a viewer means by `number`: the first whose name begins
// with that number ("2 - France 2 (HD)", as a Free box names them); in a list whose
// names carry no numbers (the Orange list keeps them apart), the channel at that
// place, counted from 1. -1 when no channel has it.
int IndexOfChannelNumber(const TextList& names, int number);

} // namespace kalore

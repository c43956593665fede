#include "channels/channel_numbers.h"

#include <optional>
#include <string_view>

#include "channels/text_list.h"

namespace kalore {
namespace {

// The number a name begins with, blanks before it skipped; none past 5 digits.
std::optional<int> LeadingNumber(std::string_view name) {
    std::size_t at = name.find_first_not_of(' ');
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    int number = 0;
    std::size_t digits = 0;
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9'; ++at, ++digits) {
        if (digits == 5) {
            return std::nullopt;
        }
        number = number * 10 + (name[at] - '0');
    }
    // "24h Info" begins with a number that isn't its channel's.
    if (digits == 0 || (at < name.size() && name[at] != ' ' && name[at] != '-')) {
        return std::nullopt;
    }
    return number;
}

} // namespace

int StepChannel(std::size_t count, int index, int steps) {
    if (count == 0) {
        return -1;
    }
    const long long size = static_cast<long long>(count);
    if (index < 0 || index >= size) {
        return steps >= 0 ? 0 : static_cast<int>(size - 1);
    }
    return static_cast<int>(((index + steps) % size + size) % size);
}

int IndexOfChannelNumber(const TextList& names, int number) {
    bool numbered = false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::optional<int> leading = LeadingNumber(names[i]);
        if (leading == number) {
            return static_cast<int>(i);
        }
        numbered = numbered || leading.has_value();
    }
    if (numbered || number < 1 || static_cast<std::size_t>(number) > names.size()) {
        return -1;
    }
    return number - 1;
}

} // namespace kalore

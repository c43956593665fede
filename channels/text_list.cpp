#include "channels/text_list.h"

#include <stdexcept>

#include "platform/memory.h"

namespace kalore {

std::string_view TextList::operator[](std::size_t index) const {
    const std::size_t start = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(start, ends_[index] - start);
}

std::string_view TextList::at(std::size_t index) const {
    if (index >= ends_.size()) {
        throw std::out_of_range("TextList::at");
    }
    return (*this)[index];
}

void TextList::push_back(std::string_view text) {
    text_.append(text);
    ends_.push_back(text_.size());
}

void TextList::reserve(std::size_t count, std::size_t bytes) {
    ends_.reserve(ends_.size() + count);
    text_.reserve(text_.size() + bytes);
    PreferHugePages(text_.data(), text_.capacity());
}

} // namespace kalore

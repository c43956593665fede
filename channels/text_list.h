#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace kalore {

// A list of texts kept end to end in one block: 100,000 channel names are one
// allocation, not 100,000, so a fresh process fills it about as fast as a warm one
// (each new page of memory costs a fault when first touched).
class TextList {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const TextList* list, std::size_t index) : list_(list), index_(index) {}
        std::string_view operator*() const { return (*list_)[index_]; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        const TextList* list_ = nullptr;
        std::size_t index_ = 0;
    };
    using iterator = const_iterator;
    using value_type = std::string_view;

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](std::size_t index) const;
    // Throws std::out_of_range for an index that names no text.
    std::string_view at(std::size_t index) const;
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(std::string_view text);
    // Room for `count` more texts of `bytes` more in all, taken at once.
    void reserve(std::size_t count, std::size_t bytes);

private:
    std::string text_;
    std::vector<std::size_t> ends_;
};

} // namespace kalore

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kalore {

// Reads a text file's content line by line the way the channel files are read:
// a line ends at LF, a CR right before the LF belongs to the line end, any other
// CR is dropped, and a Ctrl-Z byte ends the file. Lines may be of any length.
class TextLines {
public:
    explicit TextLines(std::string_view content);

    bool AtEnd() const { return pos_ >= content_.size(); }
    // The next line without its end; the empty text once at the end. The view
    // lies in the content, or in scratch when CRs had to be dropped.
    std::string_view ReadLine(std::string& scratch);

private:
    std::string_view content_;
    std::size_t pos_ = 0;
    bool hasCarriageReturns_ = false;
};

} // namespace kalore

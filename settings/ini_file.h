#pragma once

#include <string>
#include <string_view>

#include "platform/atomic_file.h"

namespace kalore {

// An INI file edited line by line. Values are found as the private-profile functions
// find them: section and key names without regard to case, the first of duplicates,
// the blanks around a value and a pair of quotes around it dropped. Setting a value
// changes that key's line only, or adds the line, so every other byte of the file
// (comments, blank and odd lines, duplicates, spacing, line ends) stays as it was.
// Text comes and goes as UTF-8; the file keeps its own encoding: Windows-1252, or
// UTF-8, or UTF-16 with a byte-order mark.
class IniFile {
public:
    // False when the file can't be read, or is damaged (see Damage()).
    bool Load(const std::string& path);
    // False when the bytes are damaged: a NUL, a byte neither Windows-1252 nor UTF-8
    // gives a meaning to, broken UTF-16. Nothing of a damaged file is kept.
    bool Parse(std::string_view bytes);
    // Why the last Load or Parse refused the bytes; empty when it didn't.
    const std::string& Damage() const { return damage_; }

    std::string Value(std::string_view section, std::string_view key) const;
    // Whether the key has a line, empty or not.
    bool Has(std::string_view section, std::string_view key) const;
    // Line breaks and other control characters can't be part of a value: they are dropped.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes in its own encoding.
    std::string Bytes() const;
    // Replaces the existing file's content, keeping its owner and mode.
    FileResult Save(const std::string& path) const;

private:
    enum class Encoding { Windows1252, Utf8, Utf8WithMark, Utf16Le, Utf16Be };

    // A line of text_: where it starts, and where its key and value lie when it has them.
    struct Line {
        std::size_t start = 0;
        std::size_t end = 0; // before the line break
        std::size_t valueStart = 0;
        std::size_t valueEnd = 0;
        bool keyLine = false;
    };
    struct Found {
        bool section = false;
        std::size_t insertAt = 0; // after the section's last line that isn't blank
        bool key = false;
        Line line;
    };

    Found Find(std::string_view section, std::string_view key) const;
    std::string LineBreak() const;

    Encoding encoding_ = Encoding::Windows1252;
    std::string text_; // UTF-8
    std::string damage_;
};

} // namespace kalore

#include "settings/ini_file.h"

#include <algorithm>

#include "platform/code_page.h"
#include "seams/trimmed.h"

namespace kalore {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

bool Quoted(std::string_view value) {
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front();
}

std::string At(const char* what, std::size_t position) {
    return std::string(what) + " à la position " + std::to_string(position);
}

} // namespace

bool IniFile::Load(const std::string& path) {
    std::string bytes;
    damage_.clear();
    return ReadWholeFile(path, bytes) && Parse(bytes);
}

bool IniFile::Parse(std::string_view bytes) {
    text_.clear();
    damage_.clear();
    encoding_ = Encoding::Windows1252;
    std::string_view body = bytes;
    if (bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark)) {
        const bool bigEndian = bytes.starts_with(kUtf16BeMark);
        encoding_ = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        std::optional<std::string> text = Utf16ToUtf8(bytes.substr(2), bigEndian);
        if (!text) {
            damage_ = "texte UTF-16 incomplet ou invalide";
        } else if (const auto nul = text->find('\0'); nul != std::string::npos) {
            damage_ = At("caractère nul", nul);
        } else {
            text_ = std::move(*text);
        }
        return damage_.empty();
    }
    if (bytes.starts_with(kUtf8Mark)) {
        encoding_ = Encoding::Utf8WithMark;
        body.remove_prefix(kUtf8Mark.size());
    }
    if (const auto nul = bytes.find('\0'); nul != std::string_view::npos) {
        damage_ = At("octet nul", nul);
    } else if (const auto bad = FirstInvalidUtf8(body); bad == std::string_view::npos) {
        // Well-formed UTF-8 beyond ASCII is no Windows-1252 text anyone writes.
        if (encoding_ == Encoding::Windows1252 &&
            std::any_of(body.begin(), body.end(), [](char c) { return c & 0x80; })) {
            encoding_ = Encoding::Utf8;
        }
        text_ = body;
    } else if (encoding_ == Encoding::Utf8WithMark) {
        damage_ = At("texte UTF-8 invalide", bad + kUtf8Mark.size());
    } else if (const auto undefined = FirstUndefinedWindows1252(body);
               undefined != std::string_view::npos) {
        damage_ = At("octet ni Windows-1252 ni UTF-8", undefined);
    } else {
        text_ = Win1252ToUtf8(body);
    }
    if (!damage_.empty()) {
        text_.clear();
    }
    return damage_.empty();
}

IniFile::Found IniFile::Find(std::string_view section, std::string_view key) const {
    Found found;
    std::size_t start = 0;
    while (start < text_.size()) {
        const std::size_t lineBreak = text_.find('\n', start);
        const std::size_t next = lineBreak == std::string::npos ? text_.size() : lineBreak + 1;
        std::size_t end = lineBreak == std::string::npos ? text_.size() : lineBreak;
        if (end > start && text_[end - 1] == '\r') {
            --end;
        }
        const std::string_view line(text_.data() + start, end - start);
        const std::string_view trimmed = Trimmed(line, IsBlankOrTab);
        if (trimmed.starts_with('[')) {
            if (found.section) {
                break; // only the first section of that name counts
            }
            const std::string_view name =
                Trimmed(trimmed.substr(1, trimmed.find(']') - 1), IsBlankOrTab);
            if (SameName(name, section)) {
                found.section = true;
                found.insertAt = next;
            }
        } else if (found.section && !trimmed.empty()) {
            found.insertAt = next;
            const std::size_t equals = line.find('=');
            if (!found.key && !trimmed.starts_with(';') && equals != std::string_view::npos &&
                SameName(Trimmed(line.substr(0, equals), IsBlankOrTab), key)) {
                const std::string_view value = Trimmed(line.substr(equals + 1), IsBlankOrTab);
                found.key = true;
                found.line.start = start;
                found.line.end = end;
                found.line.valueStart = static_cast<std::size_t>(value.data() - text_.data());
                found.line.valueEnd = found.line.valueStart + value.size();
            }
        }
        start = next;
    }
    return found;
}

bool IniFile::Has(std::string_view section, std::string_view key) const {
    return Find(section, key).key;
}

std::string IniFile::Value(std::string_view section, std::string_view key) const {
    const Found found = Find(section, key);
    if (!found.key) {
        return {};
    }
    std::string_view value(text_.data() + found.line.valueStart,
                           found.line.valueEnd - found.line.valueStart);
    if (Quoted(value)) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    // A line break in a value would start a line of its own, a section perhaps.
    std::string clean;
    for (const char c : value) {
        if (static_cast<unsigned char>(c) >= 0x20) {
            clean.push_back(c);
        }
    }
    const Found found = Find(section, key);
    if (found.key && Value(section, key) == clean) {
        return; // the line stays byte for byte as it was
    }
    if (found.key) {
        text_.replace(found.line.valueStart, found.line.valueEnd - found.line.valueStart, clean);
        return;
    }
    std::string lines;
    std::size_t at = found.section ? found.insertAt : text_.size();
    if (at > 0 && text_[at - 1] != '\n') {
        lines += LineBreak();
    }
    if (!found.section) {
        lines += "[" + std::string(section) + "]" + LineBreak();
    }
    lines += std::string(key) + "=" + clean + LineBreak();
    text_.insert(at, lines);
}

std::string IniFile::LineBreak() const {
    const std::size_t lineBreak = text_.find('\n');
    return lineBreak != std::string::npos && (lineBreak == 0 || text_[lineBreak - 1] != '\r')
               ? "\n"
               : "\r\n";
}

std::string IniFile::Bytes() const {
    switch (encoding_) {
    case Encoding::Windows1252:
        return Utf8ToWin1252(text_);
    case Encoding::Utf8:
        return text_;
    case Encoding::Utf8WithMark:
        return std::string(kUtf8Mark) + text_;
    case Encoding::Utf16Le:
        return std::string(kUtf16LeMark) + Utf8ToUtf16(text_, false);
    case Encoding::Utf16Be:
        return std::string(kUtf16BeMark) + Utf8ToUtf16(text_, true);
    }
    return {};
}

FileResult IniFile::Save(const std::string& path) const {
    return ReplaceFileKeepingOwner(path, Bytes());
}

} // namespace kalore

#include "guide/channel_names.h"

#include <algorithm>
#include <array>
#include <vector>

#include "guide/text_fold.h"

namespace kalore {
namespace {

bool IsWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsQualityWord(std::string_view word) {
    static constexpr std::array<std::string_view, 13> kWords = {
        "hd",   "sd",   "fhd",   "uhd",   "4k",       "hevc", "h264",
        "h265", "720p", "1080p", "1080i", "standard", "auto"};
    return std::find(kWords.begin(), kWords.end(), word) != kWords.end();
}

// The words of folded text; "+" is a word of its own, read "plus".
std::vector<std::string> Words(std::string_view folded) {
    std::vector<std::string> words;
    std::string word;
    const auto flush = [&] {
        if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    };
    for (const char c : folded) {
        if (IsWordCharacter(c)) {
            word.push_back(c);
        } else {
            flush();
            if (c == '+') {
                words.emplace_back("plus");
            }
        }
    }
    flush();
    return words;
}

// Drops the quality marks at the end ("hd", "bas debit"...); keeps one word at least.
void DropTrailingQuality(std::vector<std::string>& words, std::size_t keep) {
    for (;;) {
        const std::size_t n = words.size();
        if (n > keep && IsQualityWord(words[n - 1])) {
            words.pop_back();
        } else if (n > keep + 1 && words[n - 1] == "debit" &&
                   (words[n - 2] == "bas" || words[n - 2] == "haut")) {
            words.resize(n - 2);
        } else {
            return;
        }
    }
}

// Removes each "( ... )" or "[ ... ]" group that holds quality marks only.
std::string WithoutQualityGroups(std::string_view folded) {
    std::string out;
    std::size_t pos = 0;
    while (pos < folded.size()) {
        const char open = folded[pos];
        const char close = open == '(' ? ')' : open == '[' ? ']' : '\0';
        const std::size_t end =
            close != '\0' ? folded.find(close, pos + 1) : std::string_view::npos;
        if (end != std::string_view::npos) {
            std::vector<std::string> inner = Words(folded.substr(pos + 1, end - pos - 1));
            DropTrailingQuality(inner, 0);
            if (inner.empty()) {
                out.push_back(' ');
                pos = end + 1;
                continue;
            }
        }
        out.push_back(folded[pos++]);
    }
    return out;
}

// "2 - France 2" -> "France 2": digits, blanks, a dash, dot or colon, blanks.
std::string_view WithoutLeadingNumber(std::string_view folded) {
    std::size_t pos = 0;
    while (pos < folded.size() && folded[pos] == ' ') {
        ++pos;
    }
    const std::size_t digits = pos;
    while (pos < folded.size() && folded[pos] >= '0' && folded[pos] <= '9') {
        ++pos;
    }
    if (pos == digits) {
        return folded;
    }
    while (pos < folded.size() && folded[pos] == ' ') {
        ++pos;
    }
    if (pos >= folded.size() || (folded[pos] != '-' && folded[pos] != '.' && folded[pos] != ':')) {
        return folded;
    }
    ++pos;
    // "2 - " must leave a name behind, and "6.5" is no numbered entry.
    if (pos >= folded.size() || folded[pos] != ' ') {
        return folded;
    }
    return folded.substr(pos);
}

} // namespace

std::string ChannelKey(std::string_view name) {
    const std::string folded = FoldText(name);
    std::vector<std::string> words = Words(WithoutQualityGroups(WithoutLeadingNumber(folded)));
    DropTrailingQuality(words, 1);
    std::string key;
    for (const auto& word : words) {
        key += word;
    }
    return key;
}

std::string_view IdStem(std::string_view id) {
    return id.substr(0, id.find('.'));
}

} // namespace kalore

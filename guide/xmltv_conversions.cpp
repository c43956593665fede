#include "guide/xmltv_conversions.h"

#include <algorithm>
#include <utility>

#include "platform/code_page.h"

namespace kalore {

std::string EpisodeFromXmltvNs(std::string_view ns) {
    const auto number = [](std::string_view part) -> int {
        part = part.substr(0, part.find('/'));
        int value = 0;
        bool any = false;
        for (const char c : part) {
            if (c >= '0' && c <= '9' && value < 100000) {
                value = value * 10 + (c - '0');
                any = true;
            }
        }
        return any ? value + 1 : 0;
    };
    const std::size_t dot = ns.find('.');
    const int season = number(ns.substr(0, dot));
    const int episode = dot == std::string_view::npos
                            ? 0
                            : number(ns.substr(dot + 1, ns.find('.', dot + 1) - dot - 1));
    if (season > 0 && episode > 0) {
        return "Saison " + std::to_string(season) + ", épisode " + std::to_string(episode);
    }
    if (episode > 0) {
        return "Épisode " + std::to_string(episode);
    }
    return season > 0 ? "Saison " + std::to_string(season) : std::string();
}

namespace {

// A time longer than this is no time: the log shows its beginning.
constexpr std::size_t kQuotedTimeBytes = 40;

std::string Quoted(std::string_view text) {
    std::size_t cut = std::min(text.size(), kQuotedTimeBytes);
    while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut; // not inside a UTF-8 character
    }
    std::string quoted = "« ";
    for (const char c : text.substr(0, cut)) {
        quoted += static_cast<unsigned char>(c) < ' ' || c == '\x7f' ? ' ' : c;
    }
    return quoted + (cut < text.size() ? "… »" : " »");
}

} // namespace

std::string RefusedTimes(const char* start, bool startRead, const char* stop, bool stopRead) {
    if (start == nullptr) {
        return "un programme sans heure de début";
    }
    if (!startRead) {
        return Quoted(start);
    }
    if (stop != nullptr && !stopRead) {
        return Quoted(stop);
    }
    return "une fin " + Quoted(stop != nullptr ? stop : "") + " avant son début " + Quoted(start);
}

int XmltvUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    std::string lower(name);
    for (char& c : lower) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    const bool win1252 = lower == "windows-1252" || lower == "cp1252";
    const bool latin9 = lower == "iso-8859-15" || lower == "latin-9" || lower == "latin9";
    if (!win1252 && !latin9) {
        return XML_STATUS_ERROR;
    }
    for (int b = 0; b < 256; ++b) {
        info->map[b] = b;
    }
    if (win1252) {
        for (int b = 0x80; b < 0xA0; ++b) {
            const char32_t cp = Win1252CodePoint(static_cast<unsigned char>(b));
            info->map[b] = cp != 0 ? static_cast<int>(cp) : -1;
        }
    } else {
        const std::pair<int, int> changed[] = {{0xA4, 0x20AC}, {0xA6, 0x160}, {0xA8, 0x161},
                                               {0xB4, 0x17D},  {0xB8, 0x17E}, {0xBC, 0x152},
                                               {0xBD, 0x153},  {0xBE, 0x178}};
        for (const auto& [byte, cp] : changed) {
            info->map[byte] = cp;
        }
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

} // namespace kalore

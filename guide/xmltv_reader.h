#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "guide/channel_matcher.h"
#include "guide/guide_time.h"

namespace kalore {

struct XmltvProgramme {
    std::string channel;
    UtcSeconds start = 0;
    std::optional<UtcSeconds> stop; // XMLTV lets a programme leave it out
    std::string title;
    std::string subTitle;
    std::string description;
    std::string category; // every category, joined by ", "
    std::string episode;  // as shown on screen, or "Saison 2, épisode 5"
};

// What the reader hands over, element by element, as it streams through a guide.
class XmltvSink {
public:
    virtual ~XmltvSink() = default;
    virtual void OnChannel(GuideChannel channel) = 0;
    // Asked as a programme begins: false skips it without reading its content.
    virtual bool WantsProgramme(std::string_view channelId) = 0;
    virtual void OnProgramme(XmltvProgramme& programme) = 0;
};

// Each text kept of a programme is cut at this many bytes, so a hostile guide
// can't grow memory with one endless description.
inline constexpr std::size_t kXmltvTextCap = 16 * 1024;

// Elements nested deeper than this refuse the guide: a guide needs four levels.
inline constexpr int kXmltvMaxDepth = 64;

// A streaming XMLTV reader fed in pieces; it never holds the document. It refuses
// any entity declaration (so no entity expansion bomb and no external entity) and
// any nesting deeper than kXmltvMaxDepth, loads no DTD and makes no network
// access. Besides what expat reads itself
// (UTF-8, UTF-16, ISO-8859-1, US-ASCII), it reads Windows-1252 and ISO-8859-15.
// Exceptions of the sink end the reading with their message as the error.
class XmltvParser {
public:
    explicit XmltvParser(XmltvSink& sink);
    ~XmltvParser();
    XmltvParser(const XmltvParser&) = delete;
    XmltvParser& operator=(const XmltvParser&) = delete;

    // `last` marks the end of the guide. False once the guide is refused.
    bool Feed(const char* data, std::size_t size, bool last);
    // Or, without a copy: fill BufferFor(size), then ParseBuffer(filled, last).
    char* BufferFor(std::size_t size);
    bool ParseBuffer(std::size_t filled, bool last);

    // Why the guide was refused, in French, with its line.
    std::string Error() const;
    // Programmes left out because their start or stop is no XMLTV time, or their
    // stop comes before their start; and why the first of them was.
    std::uint64_t BadTimes() const;
    const std::string& FirstBadTime() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

struct XmltvReadResult {
    std::string error; // empty when the whole guide was read
    std::uint64_t badTimes = 0;
    std::string firstBadTime{}; // RefusedTimes of the first programme left out
    bool ok() const { return error.empty(); }
};

// Reads a guide file, plain or gzip-compressed (told apart by its first bytes), in
// bounded pieces. Setting `stop` ends the reading at the next piece, as an error.
XmltvReadResult ReadXmltvFile(const std::string& path, XmltvSink& sink,
                              const std::atomic<bool>& stop);

} // namespace kalore

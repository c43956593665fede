#include "relay/box_description.h"

#include <algorithm>
#include <vector>

#include "relay/source_refusal.h"
#include "seams/no_case.h"

namespace kalore {

namespace {

// A channel is one programme; a description listing more is not the box's.
constexpr int kMaxStreams = 16;

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (!text.empty()) {
        const auto start = text.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        const auto end = text.find(' ');
        words.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    }
    return words;
}

// One media section of the description.
struct Media {
    std::vector<std::string_view> formats;
    bool rtp = false;
    std::string_view control;
    bool mpegTs = false;
};

bool CarriesMpegTs(const Media& media, std::string_view rtpmap) {
    // "a=rtpmap:<payload type> MP2T/90000"
    const std::vector<std::string_view> words = Words(rtpmap);
    return words.size() == 2 && StartsWithNoCase(words[1], "MP2T/") &&
           std::find(media.formats.begin(), media.formats.end(), words[0]) != media.formats.end();
}

BoxDescription Refusal(std::string reason) {
    BoxDescription refused;
    refused.refusal = std::move(reason);
    return refused;
}

} // namespace

std::optional<BoxHost> BoxHostOf(std::string_view address) {
    constexpr std::string_view scheme = "rtsp://";
    if (!StartsWithNoCase(address, scheme))
        return std::nullopt;
    address.remove_prefix(scheme.size());
    std::string_view authority = address.substr(0, address.find_first_of("/?#"));
    authority.remove_prefix(std::min(authority.size(), authority.rfind('@') + 1));
    BoxHost box;
    const auto bracket = authority.rfind(']');
    const auto colon = authority.rfind(':');
    std::string_view host = authority;
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        box.port = std::stoi(std::string(port));
        host = authority.substr(0, colon);
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty() || box.port <= 0 || box.port > 65535)
        return std::nullopt;
    box.host.resize(host.size());
    std::transform(host.begin(), host.end(), box.host.begin(), AsciiLower);
    return box;
}

std::string BoxAuthority(std::string_view address) {
    const std::optional<BoxHost> box = BoxHostOf(address);
    return box ? box->host + ":" + std::to_string(box->port) : "";
}

BoxDescription ReadBoxDescription(std::string_view sdp, const std::string& box,
                                  const std::string& base) {
    const std::vector<std::string_view> lines = Lines(sdp);
    const auto streams = std::count_if(lines.begin(), lines.end(),
                                       [](std::string_view l) { return l.starts_with("m="); });
    if (streams > kMaxStreams)
        return Refusal(RefusalForStreamCount(static_cast<int>(streams)));
    std::vector<Media> media;
    std::string_view sessionControl;
    for (std::string_view line : lines) {
        if (line.starts_with("m=")) {
            const std::vector<std::string_view> words = Words(line.substr(2));
            Media& added = media.emplace_back();
            if (words.size() >= 4) {
                added.rtp = StartsWithNoCase(words[2], "RTP/AVP");
                added.formats.assign(words.begin() + 3, words.end());
                // Payload type 33 is MPEG-TS by definition.
                added.mpegTs = std::find(added.formats.begin(), added.formats.end(), "33") !=
                               added.formats.end();
            }
        } else if (line.starts_with("a=control:")) {
            (media.empty() ? sessionControl : media.back().control) = line.substr(10);
        } else if (line.starts_with("a=rtpmap:") && !media.empty()) {
            media.back().mpegTs =
                media.back().mpegTs || CarriesMpegTs(media.back(), line.substr(9));
        }
    }
    const auto stream =
        std::find_if(media.begin(), media.end(), [](const Media& m) { return m.rtp && m.mpegTs; });
    if (stream == media.end())
        return Refusal(kRefusalNoStream);
    BoxDescription description;
    description.sessionControl = ResolveControl(base, sessionControl);
    description.streamControl = ResolveControl(description.sessionControl, stream->control);
    // The controls go into the requests' first line, and only to the box asked.
    for (const std::string& control : {description.sessionControl, description.streamControl}) {
        if (!std::all_of(control.begin(), control.end(), [](char c) {
                return static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7f;
            }))
            return Refusal(kRefusalGarbled);
        if (!SameBox(box, control))
            return Refusal(RefusalForRedirect(control));
    }
    return description;
}

std::string ResolveControl(const std::string& base, std::string_view control) {
    if (control.empty() || control == "*")
        return base;
    if (StartsWithNoCase(control, "rtsp://"))
        return std::string(control);
    std::string resolved = base.substr(0, base.find_first_of("?#"));
    if (resolved.empty() || resolved.back() != '/')
        resolved += '/';
    return resolved + std::string(control);
}

bool SameBox(std::string_view box, std::string_view address) {
    const std::string authority = BoxAuthority(address);
    return !authority.empty() && authority == BoxAuthority(box);
}

} // namespace kalore

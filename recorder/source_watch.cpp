#include "recorder/source_watch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string_view>
#include <utility>

namespace kalore {
namespace {

// vlc listens for these, and hears a source come back by itself.
constexpr std::array<std::string_view, 5> kUdpSchemes = {"udp", "rtp", "srt", "rist", "amt"};

constexpr std::array<std::pair<std::string_view, std::uint16_t>, 5> kUsualPorts = {{
    {"http", 80},
    {"https", 443},
    {"rtsp", 554},
    {"mmsh", 80},
    {"rtmp", 1935},
}};

std::optional<std::uint16_t> PortOf(std::string_view text) {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

// The access of "scheme://…" in lower case; vlc also takes "access/demux://", where
// the access names the transport. Empty without "://".
std::string AccessOf(std::string_view text) {
    const auto schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos) {
        return {};
    }
    std::string scheme(text.substr(0, std::min(schemeEnd, text.find('/'))));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme;
}

} // namespace

bool IsUdpSource(const std::string& url) {
    const std::string access = AccessOf(url);
    return std::find(kUdpSchemes.begin(), kUdpSchemes.end(), access) != kUdpSchemes.end();
}

std::optional<TcpSource> TcpSourceOf(const std::string& url) {
    const std::string_view text = url;
    const auto schemeEnd = text.find("://");
    const std::string scheme = AccessOf(text);
    if (schemeEnd == std::string_view::npos || IsUdpSource(url)) {
        return std::nullopt;
    }
    std::string_view authority = text.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    std::string_view port;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = authority.substr(1, close - 1);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return std::nullopt;
        }
        port = rest.substr(std::min<std::size_t>(1, rest.size()));
    } else if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        port = authority.substr(colon + 1);
    }
    if (host.empty()) {
        return std::nullopt;
    }
    if (!port.empty()) {
        const std::optional<std::uint16_t> number = PortOf(port);
        return number ? std::optional(TcpSource{std::string(host), *number}) : std::nullopt;
    }
    const auto usual = std::find_if(kUsualPorts.begin(), kUsualPorts.end(),
                                    [&](const auto& entry) { return entry.first == scheme; });
    if (usual == kUsualPorts.end()) {
        return std::nullopt;
    }
    return TcpSource{std::string(host), usual->second};
}

SourceWatch::SourceWatch(TcpSource source, ListenerProbe probe, MainThread& mainThread,
                         std::function<void()> cameBack)
    : source_(std::move(source)), probe_(std::move(probe)), cameBack_(std::move(cameBack)),
      link_(std::make_shared<Link>(mainThread, this)) {}

SourceWatch::~SourceWatch() {
    std::lock_guard lock(link_->mutex);
    link_->watch = nullptr;
}

void SourceWatch::Look() {
    if (looking_) {
        return;
    }
    looking_ = true;
    probe_(source_.host, source_.port, [link = link_](bool accepted) {
        std::lock_guard lock(link->mutex);
        if (link->watch != nullptr) {
            link->mainThread.Post([link, accepted] {
                if (link->watch != nullptr) {
                    link->watch->Answered(accepted);
                }
            });
        }
    });
}

void SourceWatch::Answered(bool accepted) {
    looking_ = false;
    if (!accepted) {
        seenRefusing_ = true;
    } else if (seenRefusing_) {
        seenRefusing_ = false;
        cameBack_();
    }
}

} // namespace kalore

#include "relay/relay_address.h"

#include <algorithm>
#include <cstdint>
#include <random>

#include "seams/no_case.h"

namespace kalore {

namespace {

constexpr std::size_t kTokenLength = 32;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

} // namespace

bool NeedsRelay(std::string_view address) {
    constexpr std::string_view scheme = "rtsp://";
    return address.size() > scheme.size() && StartsWithNoCase(address, scheme);
}

std::string NewRelayToken() {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::random_device source;
    std::string token;
    while (token.size() < kTokenLength) {
        std::uint32_t bits = source();
        for (int i = 0; i < 8 && token.size() < kTokenLength; ++i, bits >>= 4)
            token += kDigits[bits & 0xf];
    }
    return token;
}

std::string LocalRelayAddress(int port, std::string_view token) {
    return "http://127.0.0.1:" + std::to_string(port) + "/" + std::string(token);
}

std::optional<std::string> TokenOfTarget(std::string_view target) {
    if (target.empty() || target.front() != '/')
        return std::nullopt;
    target.remove_prefix(1);
    target = target.substr(0, target.find_first_of("?#"));
    if (target.size() != kTokenLength || !std::all_of(target.begin(), target.end(), IsHexDigit))
        return std::nullopt;
    return std::string(target);
}

} // namespace kalore

// Any bytes as a reader's request head: no crash; a line read back holds no space
// or control character, and a token taken from its target is one the relay could
// have made, whose local address gives the same token back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "relay/http_request.h"
#include "relay/relay_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto line = kalore::ParseRequestLine(bytes);
    if (!line) {
        return 0;
    }
    const auto plain = [](char c) {
        return static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) < 0x7f;
    };
    if (!std::all_of(line->target.begin(), line->target.end(), plain) ||
        !std::all_of(line->method.begin(), line->method.end(), plain)) {
        std::abort();
    }
    const auto token = kalore::TokenOfTarget(line->target);
    if (!token) {
        return 0;
    }
    const std::string address = kalore::LocalRelayAddress(8080, *token);
    if (token->size() != 32 || kalore::TokenOfTarget(address.substr(21)) != token) {
        std::abort();
    }
    return 0;
}

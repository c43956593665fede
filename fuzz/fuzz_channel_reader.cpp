// Any bytes as an Orange or a Free channel file: no crash, and the two lists stay
// in step.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "channels/channel_file.h"
#include "channels/channel_list.h"
#include "channels/text_after_comma.h"
#include "platform/code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kalore::ChannelList orange;
    kalore::ReadChannelPairs(kalore::Win1252ToUtf8(bytes), orange, kalore::TextAfterComma);
    kalore::ChannelList free;
    kalore::ReadChannelPairs(bytes, free, kalore::Utf8TextAfterComma);
    if (orange.names.size() != orange.addresses.size() ||
        free.names.size() != free.addresses.size()) {
        std::abort();
    }
    (void)free.SelectedAddress();
    return 0;
}

// Any bytes as a guide, fed in two pieces: no crash, no text beyond its cap, no
// programme that ends before it starts, channel names that fold and key, and a
// refused time quoted short and on one line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "guide/channel_names.h"
#include "guide/text_fold.h"
#include "guide/xmltv_reader.h"

namespace {

class CheckingSink final : public kalore::XmltvSink {
public:
    void OnChannel(kalore::GuideChannel channel) override {
        for (const auto& name : channel.displayNames) {
            Check(name.size() <= kalore::kXmltvTextCap);
            (void)kalore::ChannelKey(name);
        }
    }
    bool WantsProgramme(std::string_view) override { return true; }
    void OnProgramme(kalore::XmltvProgramme& p) override {
        Check(!p.stop || *p.stop >= p.start);
        for (const std::string* text : {&p.title, &p.subTitle, &p.description}) {
            Check(text->size() <= kalore::kXmltvTextCap);
            (void)kalore::FoldText(*text);
        }
    }

private:
    static void Check(bool holds) {
        if (!holds) {
            std::abort();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    CheckingSink sink;
    kalore::XmltvParser parser(sink);
    const std::size_t half = size / 2;
    if (parser.Feed(bytes, half, false)) {
        parser.Feed(bytes + half, size - half, true);
    }
    // The example the log quotes stays short and on one line.
    const std::string& why = parser.FirstBadTime();
    if (why.size() > 200 || why.find('\n') != std::string::npos) {
        std::abort();
    }
    (void)parser.Error();
    return 0;
}

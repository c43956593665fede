#include "guide/channel_mapping.h"

#include "channels/text_lines.h"
#include "guide/channel_names.h"
#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/program_folder.h"

namespace kalore {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t';
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string ChannelMappingFileName(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\guide-chaines.txt");
}

ChannelMappingRead ParseChannelMapping(std::string_view content) {
    ChannelMappingRead read;
    const std::string text = SanitizeUtf8(content);
    TextLines lines(text);
    std::string scratch;
    for (int number = 1; !lines.AtEnd(); ++number) {
        const std::string_view line = Trimmed(lines.ReadLine(scratch));
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.rfind('=');
        const std::string key =
            equals == std::string_view::npos ? std::string() : ChannelKey(line.substr(0, equals));
        if (key.empty()) {
            read.warnings.push_back("Guide TV : ligne " + std::to_string(number) +
                                    " du fichier des chaînes ignorée : " + std::string(line));
            continue;
        }
        read.mapping[key] = std::string(Trimmed(line.substr(equals + 1)));
    }
    return read;
}

ChannelMappingRead ReadChannelMapping(const std::string& programFolder) {
    std::string content;
    if (!ReadWholeFile(ChannelMappingFileName(programFolder), content)) {
        return {};
    }
    return ParseChannelMapping(content);
}

} // namespace kalore

#include "guide/channel_mapping.h"

#include "channels/text_lines.h"
#include "guide/channel_names.h"
#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "platform/program_folder.h"
#include "seams/trimmed.h"

namespace kalore {
namespace {} // namespace

std::string ChannelMappingFileName(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\guide-chaines.txt");
}

ChannelMappingRead ParseChannelMapping(std::string_view content) {
    ChannelMappingRead read;
    const std::string text = SanitizeUtf8(content);
    TextLines lines(text);
    std::string scratch;
    for (int number = 1; !lines.AtEnd(); ++number) {
        const std::string_view line = Trimmed(lines.ReadLine(scratch), IsBlankOrTab);
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
        read.mapping[key] = std::string(Trimmed(line.substr(equals + 1), IsBlankOrTab));
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

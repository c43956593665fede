#include "channels/channel_file.h"

#include <algorithm>
#include <optional>

#include "channels/channel_list.h"
#include "channels/text_after_comma.h"
#include "channels/text_lines.h"
#include "platform/code_page.h"
#include "platform/program_folder.h"
#include "seams/host.h"

namespace kalore {
namespace {

bool IsPairLine(std::string_view line) {
    return !line.empty() && !line.starts_with("#EXTVLCOPT");
}

std::optional<std::string_view> NextPairLine(TextLines& lines, std::string& scratch) {
    while (!lines.AtEnd()) {
        const std::string_view line = lines.ReadLine(scratch);
        if (IsPairLine(line)) {
            return line;
        }
    }
    return std::nullopt;
}

// A template rather than a ChannelLineRule: the loaders call it once per line of
// lists of 100,000 channels.
template <typename Rule> void ReadPairsFrom(TextLines& lines, ChannelList& list, const Rule& rule) {
    bool first = true;
    std::string descriptionScratch;
    std::string addressScratch;
    for (;;) {
        const std::optional<std::string_view> description = NextPairLine(lines, descriptionScratch);
        if (!description) {
            return;
        }
        const std::optional<std::string_view> address = NextPairLine(lines, addressScratch);
        if (!address) {
            return;
        }
        // Views where the rule takes the text as it stands, strings where it converts.
        const auto name = rule(*description);
        const auto url = rule(*address);
        if (first) {
            list.nameText = std::string(name);
            list.addressText = std::string(url);
            list.selectedIndex = 0;
            first = false;
        }
        list.AddChannel(name, url);
    }
}

// Room for every pair the content may hold, taken at once: a text is never longer
// than its line, give or take what the code page adds.
void ReserveFor(std::string_view content, ChannelList& list) {
    const auto lines = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n'));
    list.names.reserve(lines / 2 + 1, content.size());
    list.addresses.reserve(lines / 2 + 1, content.size());
}

std::string Win1252TextAfterComma(std::string_view line) {
    return Win1252ToUtf8(TextAfterCommaIn(line));
}

std::string TooBigMessage(const std::string& path, std::uintmax_t size) {
    constexpr std::uintmax_t kMegabyte = 1024 * 1024;
    return "Le fichier de chaînes " + path + " est trop volumineux (" +
           std::to_string((size + kMegabyte - 1) / kMegabyte) + " Mo, au plus " +
           std::to_string(kChannelFileCapBytes / kMegabyte) +
           " Mo) : ses chaînes ne sont pas "
           "chargées.";
}

bool LoadChannelFile(const std::string& path, bool skipHeader, bool win1252, ChannelList& list,
                     Host& host, const std::string& failureStart, const std::string& makerAddress) {
    std::string content;
    if (const auto size = FileSize(path); size && *size > kChannelFileCapBytes) {
        host.ShowMessage(TooBigMessage(path, *size));
        return false;
    }
    if (!ReadWholeFile(path, content, kChannelFileCapBytes)) {
        host.ShowMessage(failureStart + path + "**), merci de contacter " + makerAddress);
        return false;
    }
    ReserveFor(content, list);
    // Lines end at the same bytes in Windows-1252 as in UTF-8: each text is converted
    // on its own, not the whole content into a copy.
    TextLines lines(content);
    if (skipHeader) {
        std::string header;
        lines.ReadLine(header);
    }
    // A UTF-8 file that Windows-1252 holds as it stands needs no trip through the
    // code page line by line; one look at the whole content tells.
    if (win1252) {
        ReadPairsFrom(lines, list, Win1252TextAfterComma);
    } else if (SurvivesWindows1252(content)) {
        ReadPairsFrom(lines, list, TextAfterCommaIn);
    } else {
        ReadPairsFrom(lines, list, Utf8TextAfterComma);
    }
    return true;
}

} // namespace

void ReadChannelPairs(std::string_view content, ChannelList& list, const ChannelLineRule& rule) {
    TextLines lines(content);
    ReadPairsFrom(lines, list, rule);
}

std::string OrangeChannelFilePath(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\listeTVforKalore.txt");
}

std::string FreeChannelFilePath(const std::string& programFolder) {
    return programFolder + NativeRelative("B\\listeTVFreeforKalore.txt");
}

bool LoadOrangeChannelList(const std::string& programFolder, ChannelList& list, Host& host,
                           const std::string& makerAddress) {
    return LoadChannelFile(OrangeChannelFilePath(programFolder), false, true, list, host,
                           "Fichier chaines Orange introuvable (**", makerAddress);
}

bool LoadFreeChannelList(const std::string& programFolder, ChannelList& list, Host& host,
                         const std::string& makerAddress) {
    return LoadChannelFile(FreeChannelFilePath(programFolder), true, false, list, host,
                           "Fichier chaines Free introuvable (**", makerAddress);
}

FileResult AppendOrangeChannelLinesWhole(const std::string& programFolder, ChannelList& list) {
    const std::string path = OrangeChannelFilePath(programFolder);
    std::string content;
    if (const auto size = FileSize(path); size && *size > kChannelFileCapBytes) {
        return {TooBigMessage(path, *size)};
    }
    if (!ReadWholeFile(path, content, kChannelFileCapBytes)) {
        return {"Impossible de lire " + path};
    }
    ReserveFor(content, list);
    ReadChannelPairs(content, list, [](std::string_view line) { return Win1252ToUtf8(line); });
    return {};
}

std::vector<std::string> SelectedIndexLogLines(const ChannelList& list) {
    const int index = list.selectedIndex;
    // No selection names no item: log an empty one rather than fail.
    const std::string item = index >= 0 && static_cast<std::size_t>(index) < list.names.size()
                                 ? std::string(list.names[static_cast<std::size_t>(index)])
                                 : std::string();
    const auto blank = item.find(' ');
    const std::string afterBlank = blank == std::string::npos ? item : item.substr(blank + 1);
    return {std::to_string(index), item, "**" + afterBlank + "**", item};
}

} // namespace kalore

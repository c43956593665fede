#include "web/provider_detection.h"

#include "platform/atomic_file.h"
#include "platform/code_page.h"
#include "seams/host.h"
#include "web/download.h"

namespace kalore {
namespace {

constexpr const char* kNeitherMessage = "Votre fournisseur ADSL n'est ni ORANGE ni FREE\r"
                                        "Kalore n'inclura donc pas vos chaînes ADSL pour le "
                                        "moment!\r"
                                        "Kalore peut inclure d'autres chaînes!";

// An empty text left in the settings would otherwise match every answer.
bool Contains(std::string_view answer, const std::string& text) {
    return !text.empty() && answer.find(text) != std::string_view::npos;
}

} // namespace

std::string ReadAddressAnswer(const std::string& fileName) {
    // Reading stops at the cap so a huge file without line breaks costs nothing.
    std::string bytes;
    if (!ReadFileStart(fileName, bytes, kAnswerCapBytes)) {
        return "-1";
    }
    // A text line ends at LF (or the old end-of-file mark); a CR is never part of it.
    std::string line;
    for (const char c : bytes) {
        if (c == '\n' || c == '\x1A') {
            break;
        }
        if (c != '\r') {
            line.push_back(c);
        }
    }
    return line;
}

std::string RecogniseProvider(std::string_view answer, const WebConfig& config) {
    std::string provider;
    if (Contains(answer, config.freeText)) {
        provider = kFree;
    }
    if (Contains(answer, config.orangeText)) {
        provider = kOrange;
    }
    return provider;
}

std::string DetectProvider(const WebEnvironment& web, const WebConfig& config) {
    std::string answer;
    if (DownloadToFile(web, config.site + "/kaloregip.php", kAddressAnswerFile,
                       web.Request(web.timeouts.answer, kAnswerCapBytes))
            .ok()) {
        answer = ReadAddressAnswer();
    } else {
        web.host.ShowMessage("Erreur de connexion Internet au départ");
    }
    std::string provider = RecogniseProvider(answer, config);
    if (provider.empty()) {
        web.host.ShowMessage(kNeitherMessage);
        provider = kOrange;
    }
    web.host.AppendLog(SanitizeUtf8(answer));
    return provider;
}

} // namespace kalore

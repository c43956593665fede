#include "web/version_check.h"

#include <charconv>

#include "seams/host.h"
#include "seams/trimmed.h"
#include "web/http_get.h"

namespace kalore {

std::optional<int> ParseVersionText(std::string_view text) {
    text = Trimmed(text, IsBlankOrControl);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

VersionCheckResult CheckVersion(const WebEnvironment& web, const WebConfig& config,
                                int programVersion) {
    using Outcome = VersionCheckResult::Outcome;
    const std::string answer = HttpGetText(config.site + "/lastVersionForSoft",
                                           web.Request(web.timeouts.answer, kAnswerCapBytes));
    if (answer == kErreur) {
        return {Outcome::FetchFailed, 0};
    }
    const std::optional<int> published = ParseVersionText(answer);
    if (!published) {
        return {Outcome::NotANumber, 0};
    }
    if (*published <= programVersion) {
        return {Outcome::UpToDate, *published};
    }
    web.host.ShowMessage("Une nouvelle version du logicielle est disponible.\r\r"
                         "Merci d'installer la dernière version pour plus de fonctionalités, de "
                         "stabilité et sans erreurs.\r\r"
                         "Télécharger la dernière version sur : " +
                         config.makerAddress);
    return {Outcome::NewerPublished, *published};
}

} // namespace kalore

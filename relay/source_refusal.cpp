#include "relay/source_refusal.h"

namespace kalore {

const char* const kRefusalEndlessRedirects = "la Freebox renvoie sans fin vers d'autres adresses";
const char* const kRefusalGarbled = "la Freebox répond de façon incompréhensible";
const char* const kRefusalNoStream = "la Freebox ne décrit aucun flux MPEG-TS pour cette chaîne";
const char* const kRefusalNoTransport = "la Freebox refuse tous les modes de transport du flux";
const char* const kRefusalNothingSent = "la Freebox n'envoie pas le flux";

std::string RefusalForStatus(int status) {
    // 453 (not enough bandwidth) or 503 when all its streams are taken.
    if (status == 453 || status == 503)
        return "la Freebox refuse le flux : trop de flux sont déjà ouverts";
    if (status == 404 || status == 400)
        return "la Freebox ne connaît pas cette chaîne (service inconnu)";
    if (status == 401 || status == 403)
        return "la Freebox refuse l'accès à cette chaîne";
    return "la Freebox refuse le flux (réponse " + std::to_string(status) + ")";
}

std::string RefusalForFault(BoxFault fault) {
    switch (fault) {
    case BoxFault::Silent:
        return "la Freebox ne répond pas";
    case BoxFault::Closed:
        return "la Freebox a fermé la connexion sans répondre";
    case BoxFault::TooLong:
        return "la réponse de la Freebox est trop longue";
    case BoxFault::Garbled:
        return kRefusalGarbled;
    case BoxFault::Unreachable:
        break;
    }
    return "la Freebox est injoignable (pas de route vers elle)";
}

std::string RefusalForRedirect(std::string_view location) {
    constexpr std::size_t kShown = 120;
    std::string shown(location.substr(0, kShown));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < ' ')
            c = '?';
    }
    return "la Freebox renvoie vers une autre machine (" + shown +
           (location.size() > kShown ? "…)" : ")");
}

std::string RefusalForStreamCount(int count) {
    return "la Freebox décrit trop de flux (" + std::to_string(count) + ")";
}

} // namespace kalore

#include "relay/source_refusal.h"

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

namespace kalore {

std::string SourceRefusalReason(int error) {
    // The box answers 453 or 503 when all its streams are taken, 404 for a
    // service it doesn't have.
    if (error == AVERROR_HTTP_SERVER_ERROR || error == AVERROR_HTTP_OTHER_4XX)
        return "la Freebox refuse le flux : trop de flux sont déjà ouverts";
    if (error == AVERROR_HTTP_NOT_FOUND || error == AVERROR_HTTP_BAD_REQUEST)
        return "la Freebox ne connaît pas cette chaîne (service inconnu)";
    if (error == AVERROR_HTTP_UNAUTHORIZED || error == AVERROR_HTTP_FORBIDDEN)
        return "la Freebox refuse l'accès à cette chaîne";
    if (error == AVERROR(ECONNREFUSED) || error == AVERROR(EHOSTUNREACH) ||
        error == AVERROR(ENETUNREACH) || error == AVERROR(EIO))
        return "la Freebox est injoignable (pas de route vers elle)";
    if (error == AVERROR(ETIMEDOUT) || error == AVERROR_EOF)
        return "la Freebox ne répond pas";
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return std::string("la Freebox n'envoie pas le flux (") + text + ")";
}

} // namespace kalore

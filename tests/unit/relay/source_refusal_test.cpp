#include "relay/source_refusal.h"

#include <cerrno>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

namespace kalore {
namespace {

TEST(SourceRefusalTest, EachRefusalNamesItsReasonInFrench) {
    // 503 and 453: the box's streams are all taken.
    EXPECT_EQ(SourceRefusalReason(AVERROR_HTTP_SERVER_ERROR),
              "la Freebox refuse le flux : trop de flux sont déjà ouverts");
    EXPECT_EQ(SourceRefusalReason(AVERROR_HTTP_OTHER_4XX),
              SourceRefusalReason(AVERROR_HTTP_SERVER_ERROR));
    EXPECT_EQ(SourceRefusalReason(AVERROR_HTTP_NOT_FOUND),
              "la Freebox ne connaît pas cette chaîne (service inconnu)");
    EXPECT_EQ(SourceRefusalReason(AVERROR(ECONNREFUSED)),
              "la Freebox est injoignable (pas de route vers elle)");
    EXPECT_EQ(SourceRefusalReason(AVERROR(ENETUNREACH)),
              SourceRefusalReason(AVERROR(ECONNREFUSED)));
    EXPECT_EQ(SourceRefusalReason(AVERROR(ETIMEDOUT)), "la Freebox ne répond pas");
    EXPECT_EQ(
        SourceRefusalReason(AVERROR_INVALIDDATA).rfind("la Freebox n'envoie pas le flux (", 0), 0u);
}

} // namespace
} // namespace kalore

#include "relay/source_refusal.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

TEST(SourceRefusalTest, EachRefusalNamesItsReasonInFrench) {
    // 503 and 453: the box's streams are all taken, never "it doesn't answer".
    EXPECT_EQ(RefusalForStatus(503), "la Freebox refuse le flux : trop de flux sont déjà ouverts");
    EXPECT_EQ(RefusalForStatus(453), RefusalForStatus(503));
    EXPECT_EQ(RefusalForStatus(404), "la Freebox ne connaît pas cette chaîne (service inconnu)");
    EXPECT_EQ(RefusalForStatus(403), "la Freebox refuse l'accès à cette chaîne");
    EXPECT_EQ(RefusalForStatus(500), "la Freebox refuse le flux (réponse 500)");
    EXPECT_EQ(RefusalForFault(BoxFault::Silent), "la Freebox ne répond pas");
    EXPECT_EQ(RefusalForFault(BoxFault::TooLong), "la réponse de la Freebox est trop longue");
    EXPECT_EQ(RefusalForFault(BoxFault::Garbled), "la Freebox répond de façon incompréhensible");
    EXPECT_EQ(RefusalForFault(BoxFault::Unreachable),
              "la Freebox est injoignable (pas de route vers elle)");
    // A hostile location is shown cut short, without its control characters.
    EXPECT_EQ(RefusalForRedirect("rtsp://ailleurs\r\nx"),
              "la Freebox renvoie vers une autre machine (rtsp://ailleurs??x)");
    EXPECT_TRUE(
        RefusalForRedirect(std::string(500, 'a')).ends_with("(" + std::string(120, 'a') + "…)"));
}

} // namespace
} // namespace kalore

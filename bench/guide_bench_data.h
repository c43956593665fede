#pragma once

// The channels of the generated benchmark guide, shared by its generator and the
// programs that read it: French channel names first, then numbered ones.

#include <array>
#include <string>

namespace kalore::bench {

struct BenchChannel {
    std::string id;          // "France2.fr"
    std::string displayName; // "France 2"
};

inline constexpr std::array<const char*, 27> kFrenchChannels = {"TF1",
                                                                "France 2",
                                                                "France 3",
                                                                "Canal+",
                                                                "France 5",
                                                                "M6",
                                                                "Arte",
                                                                "C8",
                                                                "W9",
                                                                "TMC",
                                                                "TFX",
                                                                "NRJ 12",
                                                                "LCP/Public Senat",
                                                                "FRANCE 4",
                                                                "BFM TV",
                                                                "CNews",
                                                                "CStar",
                                                                "Gulli",
                                                                "TF1 Séries Films",
                                                                "L'Equipe",
                                                                "6ter",
                                                                "RMC Story",
                                                                "RMC Découverte",
                                                                "Chérie 25",
                                                                "LCI",
                                                                "franceinfo:",
                                                                "Paris Première"};

// Channel n (from 0) of the guide.
inline BenchChannel BenchGuideChannel(int n) {
    std::string name = n < static_cast<int>(kFrenchChannels.size())
                           ? kFrenchChannels[static_cast<std::size_t>(n)]
                           : "Chaîne " + std::to_string(n + 1);
    std::string id;
    for (const char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            id.push_back(c);
        }
    }
    return {id + "." + std::to_string(n) + ".fr", name};
}

// How the set-top box's playlist names channel n: "2 - France 2 (HD)".
inline std::string BenchPlaylistName(int n) {
    return std::to_string(n + 1) + " - " + BenchGuideChannel(n).displayName + " (HD)";
}

} // namespace kalore::bench

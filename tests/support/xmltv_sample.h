#pragma once

// Small French XMLTV guides for tests, around a given instant: the channels of the
// supplied Orange list and of a set-top box playlist, named as French guides name
// them, each with its programmes.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kalore::testing {

struct SampleProgramme {
    std::string channelId;
    std::int64_t start = 0; // UTC seconds
    std::int64_t stop = 0;
    std::string title;
    std::string subTitle;
};

// (id, display-name) of the sample guide's channels: "France2.fr", "France 2"...
const std::vector<std::pair<std::string, std::string>>& SampleChannels();

// Times as XMLTV writes them, in Paris time with its offset: "20261207203000 +0100".
std::string XmltvParisTime(std::int64_t utc);

// A whole guide: every sample channel, with its logo's address when `icons` names
// one (guide id -> src), then the programmes given.
std::string SampleGuide(const std::vector<SampleProgramme>& programmes,
                        const std::map<std::string, std::string>& icons = {});

// Programmes one after the other on a channel, from `start`, each `minutes` long,
// titled "<title> 1", "<title> 2"... unless `sameTitle`.
std::vector<SampleProgramme> Consecutive(const std::string& channelId, std::int64_t start,
                                         int count, int minutes, const std::string& title,
                                         bool sameTitle = false);

// The bytes gzip-compressed, as a server or a file would hold them.
std::string Gzip(std::string_view bytes);

} // namespace kalore::testing

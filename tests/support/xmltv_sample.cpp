#include "xmltv_sample.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

#include <zlib.h>

namespace kalore::testing {

const std::vector<std::pair<std::string, std::string>>& SampleChannels() {
    static const std::vector<std::pair<std::string, std::string>> channels = {
        {"TF1.fr", "TF1"},
        {"France2.fr", "France 2"},
        {"France3.fr", "France 3"},
        {"CanalPlus.fr", "Canal+"},
        {"France5.fr", "France 5"},
        {"M6.fr", "M6"},
        {"Arte.fr", "ARTE"},
        {"C8.fr", "C8"},
        {"W9.fr", "W9"},
        {"TMC.fr", "TMC"},
        {"TFX.fr", "TFX"},
        {"NRJ12.fr", "NRJ 12"},
        {"LCP.fr", "LCP/Public Senat"},
        {"France4.fr", "FRANCE 4"},
        {"BFMTV.fr", "BFM TV"},
        {"CNews.fr", "CNEWS"},
        {"CStar.fr", "CSTAR"},
        {"Gulli.fr", "Gulli"},
        {"TF1SeriesFilms.fr", "TF1 Séries Films"},
        {"LEquipe.fr", "L'Equipe"},
        {"6ter.fr", "6ter"},
        {"RMCStory.fr", "RMC Story"},
        {"RMCDecouverte.fr", "RMC Découverte"},
        {"Cherie25.fr", "Chérie 25"},
        {"LCI.fr", "LCI"},
        {"franceinfo.fr", "franceinfo:"},
        {"France3Alpes.fr", "France 3 Alpes"},
    };
    return channels;
}

namespace {

// 01:00 UTC on the last Sunday of a 31-day month: when Paris changes its clocks.
std::int64_t LastSundayOneAm(int year, int month) {
    std::tm day{};
    day.tm_year = year - 1900;
    day.tm_mon = month - 1;
    day.tm_mday = 31;
    day.tm_hour = 1;
    const std::time_t t = timegm(&day);
    std::tm check{};
    gmtime_r(&t, &check);
    return static_cast<std::int64_t>(t) - std::int64_t{check.tm_wday} * 86400;
}

} // namespace

std::string XmltvParisTime(std::int64_t utc) {
    // By the rule itself rather than the TZ variable, which other threads may read.
    std::tm year{};
    const std::time_t t = static_cast<std::time_t>(utc);
    gmtime_r(&t, &year);
    const int y = year.tm_year + 1900;
    const bool summer = utc >= LastSundayOneAm(y, 3) && utc < LastSundayOneAm(y, 10);
    const int offsetHours = summer ? 2 : 1;
    const std::time_t local = t + offsetHours * 3600;
    std::tm l{};
    gmtime_r(&local, &l);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d +%02d00", l.tm_year + 1900,
                  l.tm_mon + 1, l.tm_mday, l.tm_hour, l.tm_min, l.tm_sec, offsetHours);
    return text;
}

std::string SampleGuide(const std::vector<SampleProgramme>& programmes,
                        const std::map<std::string, std::string>& icons) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv generator-info-name=\"tests\">\n";
    for (const auto& [id, name] : SampleChannels()) {
        const auto icon = icons.find(id);
        xml += "  <channel id=\"" + id + "\"><display-name lang=\"fr\">" + name +
               "</display-name>" +
               (icon != icons.end() ? "<icon src=\"" + icon->second + "\"/>" : "") + "</channel>\n";
    }
    for (const SampleProgramme& p : programmes) {
        xml += "  <programme start=\"" + XmltvParisTime(p.start) + "\" stop=\"" +
               XmltvParisTime(p.stop) + "\" channel=\"" + p.channelId + "\">\n    <title>" +
               p.title + "</title>\n";
        if (!p.subTitle.empty()) {
            xml += "    <sub-title>" + p.subTitle + "</sub-title>\n";
        }
        xml += "    <desc>Résumé de " + p.title + ".</desc>\n  </programme>\n";
    }
    return xml + "</tv>\n";
}

std::vector<SampleProgramme> Consecutive(const std::string& channelId, std::int64_t start,
                                         int count, int minutes, const std::string& title,
                                         bool sameTitle) {
    std::vector<SampleProgramme> programmes;
    for (int i = 0; i < count; ++i) {
        const std::int64_t from = start + std::int64_t{i} * minutes * 60;
        programmes.push_back({channelId, from, from + minutes * 60,
                              sameTitle ? title : title + " " + std::to_string(i + 1), ""});
    }
    return programmes;
}

std::string Gzip(std::string_view bytes) {
    z_stream stream{};
    // 15 + 16: a gzip header and trailer rather than zlib's.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&stream, bytes.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int done = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (done != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    return out;
}

} // namespace kalore::testing

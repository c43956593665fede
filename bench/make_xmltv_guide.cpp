// Writes a large, realistic French XMLTV guide for the import benchmark: every
// channel's programmes for DAYS days from today, each with a title, a sub-title,
// a long description, categories, episode numbers, credits, an icon and a rating,
// in Paris time with its offsets (daylight-saving changes included); with
// LOGO_BASE_URL, each channel's logo at LOGO_BASE_URL/c/<n>.png. With --hostile, a
// guide of about MEGABYTES shaped to fill a reader's memory instead: distinct element
// names, 10,000 distinct attribute names per element, one endless attribute, one
// endless description, 100,000 levels, or channels of endless names.
// Usage: make-xmltv-guide OUT.xml [CHANNELS=900] [DAYS=14] [LOGO_BASE_URL]
//        make-xmltv-guide --hostile names|attributes|attribute|text|depth|channels OUT.xml
//                         [MEGABYTES=56]
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "bench/guide_bench_data.h"

namespace {

using kalore::bench::BenchGuideChannel;

constexpr const char* kWords[] = {
    "émission",   "été",    "forêt",   "château", "où",     "à",      "enquête", "mystère",
    "famille",    "voyage", "cuisine", "secret",  "nuit",   "soleil", "mer",     "montagne",
    "histoire",   "guerre", "amour",   "ville",   "police", "héros",  "rêve",    "île",
    "découverte", "scène",  "musée",   "et",      "le",     "la",     "les",     "des",
    "un",         "une",    "dans",    "pour",    "avec",   "sur",    "Noël",    "Côte"};
// Series and magazines come back across the days; the other titles are drawn.
constexpr const char* kSeries[] = {"Journal de la nuit",
                                   "Météo",
                                   "Le Grand Débat",
                                   "Cuisine en famille",
                                   "Enquêtes au château",
                                   "Voyage en mer",
                                   "Les Secrets de la forêt",
                                   "Cap sur les îles",
                                   "Un été à la montagne",
                                   "Mystères en Provence",
                                   "Police de Marseille",
                                   "Les Héros du quotidien",
                                   "Noël au château",
                                   "Côte sauvage",
                                   "Dans la cuisine de Léa",
                                   "Le Jeu des familles",
                                   "Destination soleil",
                                   "La Nuit des étoiles",
                                   "Les Enquêtes de Julie",
                                   "Sur la route des vins",
                                   "Le Quiz du soir",
                                   "Dessins animés",
                                   "Journal régional",
                                   "Les Infos du matin",
                                   "Au fil de l'histoire",
                                   "Secrets de famille",
                                   "Forêts de France",
                                   "Le Débat du soir",
                                   "Le Bêtisier",
                                   "Musique en direct",
                                   "Le Feuilleton de l'été",
                                   "Enfants du monde",
                                   "Rugby : le match de la semaine"};
constexpr const char* kCategories[] = {"Série",    "Film",    "Magazine",    "Documentaire",
                                       "Sport",    "Jeu",     "Information", "Divertissement",
                                       "Jeunesse", "Téléfilm"};

struct Random {
    unsigned long long state = 0x9E3779B97F4A7C15ULL;
    unsigned Next(unsigned bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>((state >> 33) % bound);
    }
};

std::string Sentence(Random& random, int words) {
    std::string text;
    for (int i = 0; i < words; ++i) {
        text += (i == 0 ? "" : " ");
        text += kWords[random.Next(sizeof kWords / sizeof *kWords)];
    }
    return text;
}

// "20261207203000 +0100", in the local (Paris) time of the instant.
std::string XmltvTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    const int offset = static_cast<int>(local.tm_gmtoff / 60) % (24 * 60);
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d %c%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
    return text;
}

void WriteProgramme(std::FILE* out, Random& random, const std::string& channelId, std::time_t start,
                    std::time_t stop, int serial) {
    const std::string title =
        random.Next(2) == 0 ? std::string(kSeries[random.Next(sizeof kSeries / sizeof *kSeries)])
                            : "Les " + Sentence(random, 2);
    std::fprintf(out, "  <programme start=\"%s\" stop=\"%s\" channel=\"%s\">\n",
                 XmltvTime(start).c_str(), XmltvTime(stop).c_str(), channelId.c_str());
    std::fprintf(out, "    <title lang=\"fr\">%s</title>\n", title.c_str());
    std::fprintf(out, "    <sub-title lang=\"fr\">Épisode %d : %s</sub-title>\n", serial % 300 + 1,
                 Sentence(random, 3).c_str());
    std::fprintf(out, "    <desc lang=\"fr\">%s. %s &amp; %s.</desc>\n",
                 Sentence(random, 120).c_str(), Sentence(random, 60).c_str(),
                 Sentence(random, 20).c_str());
    std::fprintf(out, "    <credits>\n      <director>%s</director>\n",
                 Sentence(random, 2).c_str());
    for (int i = 0; i < 4; ++i) {
        std::fprintf(out, "      <actor role=\"%s\">%s</actor>\n", Sentence(random, 1).c_str(),
                     Sentence(random, 2).c_str());
    }
    std::fprintf(out, "    </credits>\n    <date>%d</date>\n", 1990 + serial % 35);
    std::fprintf(out, "    <category lang=\"fr\">%s</category>\n", kCategories[random.Next(10)]);
    std::fprintf(out, "    <category lang=\"fr\">%s</category>\n", kCategories[random.Next(10)]);
    std::fprintf(out, "    <length units=\"minutes\">%ld</length>\n",
                 static_cast<long>((stop - start) / 60));
    std::fprintf(out, "    <icon src=\"http://images.example.invalid/p/%d.jpg\" />\n", serial);
    std::fprintf(out, "    <episode-num system=\"xmltv_ns\">%d.%d.</episode-num>\n", serial % 7,
                 serial % 24);
    std::fprintf(out, "    <episode-num system=\"onscreen\">S%02dE%02d</episode-num>\n",
                 serial % 7 + 1, serial % 24 + 1);
    std::fprintf(out, "    <video><aspect>16:9</aspect><quality>HDTV</quality></video>\n");
    std::fprintf(out, "    <rating system=\"CSA\"><value>-10</value></rating>\n");
    std::fprintf(out, "    <star-rating><value>3/5</value></star-rating>\n");
    std::fprintf(out, "  </programme>\n");
}

// Writes `piece(n)` for n = 0, 1... until the file holds `bytes`.
template <typename Piece> void WriteUntil(std::FILE* out, std::size_t bytes, Piece piece) {
    std::size_t written = 0;
    for (std::size_t n = 0; written < bytes; ++n) {
        const std::string text = piece(n);
        std::fwrite(text.data(), 1, text.size(), out);
        written += text.size();
    }
}

bool WriteHostile(std::FILE* out, const std::string& kind, std::size_t bytes) {
    const std::string wanted = BenchGuideChannel(0).id;
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n", out);
    if (kind == "names") {
        WriteUntil(out, bytes, [](std::size_t n) {
            return "<nom-d-element-jamais-vu-" + std::string(60, 'x') + std::to_string(n) + "/>\n";
        });
    } else if (kind == "attributes") {
        WriteUntil(out, bytes, [](std::size_t n) {
            std::string element = "<x";
            for (int a = 0; a < 10000; ++a) {
                element += " a" + std::to_string(n) + "_" + std::to_string(a) + "=\"1\"";
            }
            return element + "/>\n";
        });
    } else if (kind == "attribute") {
        std::fputs("<channel id=\"", out);
        WriteUntil(out, bytes, [](std::size_t) { return std::string(65536, 'a'); });
        std::fputs("\"/>\n", out);
    } else if (kind == "text") {
        const auto channel = BenchGuideChannel(0);
        std::fprintf(out, "<channel id=\"%s\"><display-name>%s</display-name></channel>\n",
                     wanted.c_str(), channel.displayName.c_str());
        std::fprintf(out,
                     "<programme start=\"20261207203000 +0100\" stop=\"20261207213000 +0100\" "
                     "channel=\"%s\"><title>Sans fin</title><desc>",
                     wanted.c_str());
        WriteUntil(out, bytes, [](std::size_t) { return std::string(65536, 't'); });
        std::fputs("</desc></programme>\n", out);
    } else if (kind == "depth") {
        WriteUntil(out, 100000 * 3, [](std::size_t) { return std::string("<x>"); });
    } else if (kind == "channels") {
        WriteUntil(out, bytes, [](std::size_t n) {
            std::string channel = "<channel id=\"c" + std::to_string(n) + "\">";
            for (int name = 0; name < 16; ++name) {
                channel += "<display-name>" + std::string(16000, 'n') + "</display-name>";
            }
            return channel + "</channel>\n";
        });
    } else {
        return false;
    }
    std::fputs("</tv>\n", out);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--hostile") {
        std::FILE* out = std::fopen(argv[3], "wb");
        const std::size_t megabytes = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 56;
        if (out == nullptr || !WriteHostile(out, argv[2], megabytes * 1000 * 1000) ||
            std::fclose(out) != 0) {
            std::fprintf(stderr, "%s: can't write a %s guide\n", argv[3], argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.xml [CHANNELS] [DAYS] [LOGO_BASE_URL]\n", argv[0]);
        return 2;
    }
    const int channels = argc > 2 ? std::atoi(argv[2]) : 900;
    const int days = argc > 3 ? std::atoi(argv[3]) : 14;
    // Channel logos only where asked: Kalore fetches them, and must stay on loopback.
    const char* logoBase = argc > 4 ? argv[4] : nullptr;
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
                      "<tv source-info-name=\"banc d'essai\" generator-info-name=\"kalore\">\n");
    for (int c = 0; c < channels; ++c) {
        const auto channel = BenchGuideChannel(c);
        std::fprintf(out, "  <channel id=\"%s\">\n    <display-name>%s</display-name>\n",
                     channel.id.c_str(), channel.displayName.c_str());
        if (logoBase != nullptr) {
            std::fprintf(out, "    <icon src=\"%s/c/%d.png\" />\n", logoBase, c);
        }
        std::fprintf(out, "  </channel>\n");
    }
    std::time_t today = std::time(nullptr);
    std::tm midnight{};
    localtime_r(&today, &midnight);
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    midnight.tm_isdst = -1;
    const std::time_t first = std::mktime(&midnight);
    Random random;
    int serial = 0;
    for (int c = 0; c < channels; ++c) {
        const std::string id = BenchGuideChannel(c).id;
        const std::time_t end = first + static_cast<std::time_t>(days) * 86400;
        for (std::time_t start = first; start < end; ++serial) {
            // 10 to 70 minutes, in steps of 5: about 36 programmes a day.
            const std::time_t stop = start + (10 + 5 * random.Next(13)) * 60;
            WriteProgramme(out, random, id, start, stop, serial);
            start = stop;
        }
    }
    std::fprintf(out, "</tv>\n");
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%d channels, %d days, %d programmes\n", channels, days, serial);
    return 0;
}

#include "guide/xmltv_reader.h"

#include <fstream>
#include <functional>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "paris_time.h"
#include "support/temp_folder.h"
#include "support/xmltv_sample.h"

namespace kalore {
namespace {

// Keeps what the reader hands over; wants the programmes of the given channels.
class RecordingSink : public XmltvSink {
public:
    explicit RecordingSink(std::vector<std::string> wanted = {"France2.fr"})
        : wanted_(std::move(wanted)) {}
    void OnChannel(GuideChannel channel) override { channels.push_back(std::move(channel)); }
    bool WantsProgramme(std::string_view id) override {
        ++asked;
        return std::find(wanted_.begin(), wanted_.end(), id) != wanted_.end();
    }
    void OnProgramme(XmltvProgramme& programme) override { programmes.push_back(programme); }

    std::vector<GuideChannel> channels;
    std::vector<XmltvProgramme> programmes;
    int asked = 0;

private:
    std::vector<std::string> wanted_;
};

struct Read {
    bool ok;
    std::string error;
};

Read Parse(std::string_view xml, RecordingSink& sink) {
    XmltvParser parser(sink);
    // In small pieces, as a network or a file gives them.
    bool ok = true;
    for (std::size_t pos = 0; ok && pos < xml.size(); pos += 7) {
        ok = parser.Feed(xml.data() + pos, std::min<std::size_t>(7, xml.size() - pos), false);
    }
    ok = ok && parser.Feed(nullptr, 0, true);
    return {ok, parser.Error()};
}

constexpr const char* kGuide = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE tv SYSTEM "xmltv.dtd">
<tv>
  <channel id="France2.fr"><display-name lang="fr">France 2</display-name>
    <display-name>France 2 HD</display-name><icon src="x.png"/><icon src="y.png"/></channel>
  <channel id="TF1.fr"><display-name>TF1</display-name></channel>
  <programme start="20261207203000 +0100" stop="20261207221500 +0100" channel="TF1.fr">
    <title>Pas gardé</title><desc>Une description qui ne sera jamais lue</desc>
    <credits><actor>Personne</actor></credits>
  </programme>
  <programme start="20261207210500 +0100" stop="20261207224000 +0100" channel="France2.fr">
    <title lang="fr">Un si grand soleil</title><title lang="en">A big sun</title>
    <sub-title>L'été à Montpellier</sub-title>
    <desc lang="fr">Claire &amp; Florent s'expliquent.</desc>
    <credits><director>Quelqu'un</director></credits>
    <category>Série</category><category>Feuilleton</category>
    <episode-num system="xmltv_ns">1.4/10.</episode-num>
  </programme>
  <programme start="20261207224000 +0100" channel="France2.fr">
    <title>Sans fin</title><episode-num system="xmltv_ns">.2.</episode-num>
    <episode-num system="onscreen">E3</episode-num>
  </programme>
  <programme start="demain" stop="20261207230000 +0100" channel="France2.fr"><title>x</title></programme>
</tv>
)";

TEST(XmltvReader, StreamsChannelsAndOnlyTheWantedProgrammes) {
    RecordingSink sink;
    const Read read = Parse(kGuide, sink);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(sink.channels.size(), 2u);
    EXPECT_EQ(sink.channels[0].id, "France2.fr");
    EXPECT_EQ(sink.channels[0].displayNames, (std::vector<std::string>{"France 2", "France 2 HD"}));
    EXPECT_EQ(sink.channels[0].iconSrc, "x.png"); // the first
    EXPECT_EQ(sink.channels[1].iconSrc, "");
    EXPECT_EQ(sink.asked, 4);

    ASSERT_EQ(sink.programmes.size(), 2u);
    const XmltvProgramme& first = sink.programmes[0];
    EXPECT_EQ(first.channel, "France2.fr");
    EXPECT_EQ(first.start, *ParseXmltvTime("20261207210500 +0100"));
    EXPECT_EQ(first.stop, ParseXmltvTime("20261207224000 +0100"));
    EXPECT_EQ(first.title, "Un si grand soleil");
    EXPECT_EQ(first.subTitle, "L'été à Montpellier");
    EXPECT_EQ(first.description, "Claire & Florent s'expliquent.");
    EXPECT_EQ(first.category, "Série, Feuilleton");
    EXPECT_EQ(first.episode, "Saison 2, épisode 5");
    EXPECT_EQ(sink.programmes[1].stop, std::nullopt);
    EXPECT_EQ(sink.programmes[1].episode, "E3"); // what the screen shows wins
}

// Every time form XMLTV defines, its own three examples first, each as one
// programme through the reader: the instant it means, or nothing when it is
// refused and counted.
TEST(XmltvReader, ReadsTimesAsTheFormatDefinesThemAndCountsTheRefused) {
    using testing::UtcAt;
    std::vector<std::pair<std::string, std::optional<UtcSeconds>>> times = {
        {"200007281733 BST", 964801980}, // BST is +0100
        {"200209", 1030838400},
        {"19880523083000 +0300", 580368600},
        // Any leading part; what is left out is the start of its period, and a
        // time with no zone is UTC.
        {"2026", UtcAt(2026, 1, 1, 0, 0)},
        {"202612", UtcAt(2026, 12, 1, 0, 0)},
        {"202612 +0100", UtcAt(2026, 11, 30, 23, 0)},
        {"20261207 +0100", UtcAt(2026, 12, 6, 23, 0)},
        {"2026120720", UtcAt(2026, 12, 7, 20, 0)},
        {"202612072030 -0330", UtcAt(2026, 12, 8, 0, 0)},
        {"20261207203015", UtcAt(2026, 12, 7, 20, 30, 15)},
        {"20261207203000+0100", UtcAt(2026, 12, 7, 19, 30)},
        {"20280229000000 +0000", UtcAt(2028, 2, 29, 0, 0)},
    };
    // What is no time, or a zone not known.
    for (const char* refused :
         {"", "202", "20261", "2026120720300", "20261307203000 +0100", "20261232203000 +0100",
          "20270229120000 +0000", "20261207243000", "20261207203000 +01", "20261207203000 +2500",
          "20261207203000 XYZ", "20261207203000 CET CEST", "2026-12-07 20:30",
          "20261207203000 +0100 trailing"}) {
        times.emplace_back(refused, std::nullopt);
    }
    // The zone names a French, European or North American guide carries, by
    // their hours east of UTC; IST is Ireland's, as a European guide means it.
    const std::pair<const char*, int> zones[] = {
        {"UTC", 0},  {"GMT", 0},  {"Z", 0},    {"WET", 0},  {"WEST", 1}, {"CET", 1},  {"CEST", 2},
        {"EET", 2},  {"EEST", 3}, {"BST", 1},  {"IST", 1},  {"MSK", 3},  {"EST", -5}, {"EDT", -4},
        {"CST", -6}, {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
    for (const auto& [name, hoursEast] : zones) {
        times.emplace_back(std::string("20261207203000 ") + name,
                           UtcAt(2026, 12, 7, 20, 30) - hoursEast * 3600);
    }

    std::string xml = "<tv>";
    for (std::size_t i = 0; i < times.size(); ++i) {
        xml += "<programme channel=\"France2.fr\" start=\"" + times[i].first + "\"><title>" +
               std::to_string(i) + "</title></programme>";
    }
    RecordingSink sink;
    XmltvParser parser(sink);
    ASSERT_TRUE(parser.Feed(xml.data(), xml.size(), false) && parser.Feed("</tv>", 5, true));
    std::vector<std::optional<UtcSeconds>> read(times.size());
    for (const XmltvProgramme& programme : sink.programmes) {
        read.at(std::stoul(programme.title)) = programme.start;
    }
    std::uint64_t refused = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        EXPECT_EQ(read[i], times[i].second) << times[i].first;
        refused += times[i].second ? 0 : 1;
    }
    EXPECT_EQ(parser.BadTimes(), refused);
}

// The log line names why the first programme left out was: its time, quoted on
// one line and cut short.
TEST(XmltvReader, NamesWhyTheFirstProgrammeLeftOutWas) {
    // The cut falls inside "é", whose two bytes are kept whole or not at all.
    const std::string longTime = "2026&#10;1207" + std::string(30, 'x') + "é et la suite";
    const struct {
        std::string times;
        std::string why;
    } cases[] = {
        {"stop=\"20261207230000\"", "un programme sans heure de début"},
        {"start=\"20261207 CET\" stop=\"demain\"", "« demain »"},
        {"start=\"20261207210000 +0100\" stop=\"20261207200000 +0100\"",
         "une fin « 20261207200000 +0100 » avant son début « 20261207210000 +0100 »"},
        {"start=\"" + longTime + "\"", "« 2026 1207" + std::string(30, 'x') + "… »"},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        XmltvParser parser(sink);
        const std::string xml = "<tv><programme channel=\"France2.fr\" " + c.times +
                                "/><programme channel=\"France2.fr\"/></tv>";
        ASSERT_TRUE(parser.Feed(xml.data(), xml.size(), true)) << c.times;
        EXPECT_EQ(parser.BadTimes(), 2u) << c.times;
        EXPECT_EQ(parser.FirstBadTime(), c.why);
    }
}

TEST(XmltvReader, EndlessTextIsCut) {
    RecordingSink sink;
    const std::string huge(3 * kXmltvTextCap, 'a');
    const std::string xml =
        "<tv><programme start=\"20261207210500\" channel=\"France2.fr\"><desc>" + huge +
        "</desc></programme></tv>";
    ASSERT_TRUE(Parse(xml, sink).ok);
    EXPECT_EQ(sink.programmes.at(0).description.size(), kXmltvTextCap);
}

// What must never become a guide, each with its reason.
TEST(XmltvReader, RefusesDamagedHostileAndForeignGuides) {
    const std::string whole = kGuide;
    const std::string latin1Bytes =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><tv><channel "
        "id=\"a\"><display-name>Ch\xe9rie</display-name></channel></tv>";
    const std::string bomb = R"(<?xml version="1.0"?>
<!DOCTYPE tv [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;"><!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">]>
<tv><channel id="x"><display-name>&d;&d;&d;&d;</display-name></channel></tv>)";
    const std::string external = R"(<?xml version="1.0"?>
<!DOCTYPE tv [<!ENTITY secret SYSTEM "file:///etc/passwd">]><tv>&secret;</tv>)";
    // Nested a million deep, in a channel read and in a programme skipped; the
    // reader stops at the bound, long before the end.
    const auto nested = [](const std::string& around) {
        std::string xml = "<tv>" + around;
        for (int i = 0; i < 1000000; ++i) {
            xml += "<x>";
        }
        return xml;
    };
    std::string atTheBound = "<tv><channel id=\"a\">";
    for (int depth = 3; depth <= kXmltvMaxDepth; ++depth) {
        atTheBound += "<x>";
    }
    for (int depth = 3; depth <= kXmltvMaxDepth; ++depth) {
        atTheBound += "</x>";
    }
    atTheBound += "</channel></tv>";
    RecordingSink boundSink;
    EXPECT_TRUE(Parse(atTheBound, boundSink).ok); // the bound itself is allowed
    const struct {
        const char* what;
        std::string xml;
        const char* reason;
    } cases[] = {
        {"cut off", whole.substr(0, whole.size() / 2), "guide incomplet"},
        {"empty", "", "guide incomplet"},
        {"wrong encoding", latin1Bytes, "d'un autre encodage"},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC-FR\"?><tv/>",
         "encodage du guide non pris en charge"},
        {"entity bomb", bomb, "entités"},
        {"external entity", external, "entités"},
        {"nested in a channel", nested("<channel id=\"a\">"), "imbriqué sur plus de 64 niveaux"},
        {"nested in a skipped programme", nested("<programme>"), "imbriqué sur plus de 64"},
        {"not a guide", "<html><body>Erreur 404</body></html>", "pas un guide XMLTV"},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        const Read read = Parse(c.xml, sink);
        EXPECT_FALSE(read.ok) << c.what;
        EXPECT_NE(read.error.find(c.reason), std::string::npos) << c.what << ": " << read.error;
        EXPECT_NE(read.error.find("(ligne "), std::string::npos) << c.what;
        for (const auto& channel : sink.channels) {
            for (const auto& name : channel.displayNames) {
                EXPECT_LT(name.size(), 1000u) << c.what; // nothing was expanded
            }
        }
    }
}

// Guides shaped to fill memory rather than nest or expand: the parser's memory is
// bounded, so each is refused, with the same kind of reason as the bombs.
TEST(XmltvReader, RefusesGuidesThatWouldTakeMoreMemoryThanTheCap) {
    constexpr std::size_t kBytes = 24 * 1024 * 1024;
    const auto grown = [](const std::function<std::string(std::size_t)>& piece) {
        std::string xml = "<tv>";
        for (std::size_t n = 0; xml.size() < kBytes; ++n) {
            xml += piece(n);
        }
        return xml;
    };
    const std::string name(90, 'n');
    const struct {
        const char* what;
        std::string xml;
    } cases[] = {
        {"distinct element names",
         grown([&](std::size_t n) { return "<" + name + std::to_string(n) + "/>"; })},
        {"distinct attribute names",
         grown([&](std::size_t n) { return "<x " + name + std::to_string(n) + "=\"1\"/>"; })},
        {"one endless attribute", "<tv><channel id=\"" + std::string(kBytes, 'a') + "\">"},
        {"one endless comment", "<tv><!--" + std::string(kBytes, 'c')},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        XmltvParser parser(sink);
        bool ok = true;
        for (std::size_t pos = 0; ok && pos < c.xml.size(); pos += 65536) {
            ok = parser.Feed(c.xml.data() + pos, std::min<std::size_t>(65536, c.xml.size() - pos),
                             false);
        }
        EXPECT_FALSE(ok) << c.what;
        EXPECT_NE(parser.Error().find("plus de 16 Mo pour être lu"), std::string::npos)
            << c.what << ": " << parser.Error();
    }
    // The memory given back, a real guide reads on.
    RecordingSink sink;
    EXPECT_TRUE(Parse(kGuide, sink).ok);
}

TEST(XmltvReader, ReadsSingleByteFrenchEncodings) {
    for (const char* encoding : {"windows-1252", "ISO-8859-15", "ISO-8859-1"}) {
        RecordingSink sink;
        const std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + encoding +
                                "\"?><tv><channel id=\"a\"><display-name>Ch\xe9rie "
                                "\xbd</display-name></channel></tv>";
        ASSERT_TRUE(Parse(xml, sink).ok) << encoding;
        const std::string half = std::string(encoding) == "ISO-8859-15" ? "œ" : "½";
        EXPECT_EQ(sink.channels.at(0).displayNames.at(0), "Chérie " + half) << encoding;
    }
}

TEST(XmltvReader, FilesPlainAndGzippedReadAlikeAndACutGzipIsAnError) {
    const testing::TempFolder folder("xmltv");
    const auto write = [&](const char* name, const std::string& bytes) {
        const std::string path = (folder.Path() / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    const std::string gz = testing::Gzip(kGuide);
    const std::atomic<bool> stop{false};
    for (const std::string& path : {write("guide.xml", kGuide), write("guide.xml.gz", gz)}) {
        RecordingSink sink;
        const XmltvReadResult result = ReadXmltvFile(path, sink, stop);
        EXPECT_TRUE(result.ok()) << path << ": " << result.error;
        EXPECT_EQ(result.badTimes, 1u);
        EXPECT_EQ(sink.programmes.size(), 2u) << path;
    }
    RecordingSink sink;
    EXPECT_FALSE(ReadXmltvFile(write("cut.xml.gz", gz.substr(0, gz.size() - 40)), sink, stop).ok());
    EXPECT_FALSE(ReadXmltvFile((folder.Path() / "missing.xml").string(), sink, stop).ok());
    const std::atomic<bool> stopped{true};
    EXPECT_EQ(ReadXmltvFile(write("again.xml", kGuide), sink, stopped).error,
              "lecture interrompue");
    // A source that would block its open, as a FIFO without a writer, is refused at once.
    const std::string fifo = (folder.Path() / "guide.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadXmltvFile(fifo, sink, stop).error,
              "impossible d'ouvrir " + fifo + " : ce n'est pas un fichier ordinaire");
}

} // namespace
} // namespace kalore

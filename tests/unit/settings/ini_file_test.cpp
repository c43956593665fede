#include "settings/ini_file.h"

#include <gtest/gtest.h>

namespace kalore {
namespace {

using namespace std::string_literals;

IniFile Parsed(std::string_view bytes) {
    IniFile ini;
    EXPECT_TRUE(ini.Parse(bytes)) << ini.Damage();
    return ini;
}

TEST(IniFile, FindsValuesAsThePrivateProfileFunctionsDo) {
    const IniFile ini = Parsed("key=outside any section\n"
                               "[Visual]\n"
                               "; lastRecordPath=commented out\n"
                               "  LastRecordPath  =  \"/tmp/a b.avi\"  \n"
                               "lastRecordPath=second\n"
                               "an odd line\n"
                               "vlcpath='/usr/bin/vlc'\n"
                               "[visual]\n"
                               "other=only in the second section of that name\n");
    EXPECT_EQ(ini.Value("visual", "lastrecordpath"), "/tmp/a b.avi");
    EXPECT_EQ(ini.Value("Visual", "vlcpath"), "/usr/bin/vlc");
    EXPECT_EQ(ini.Value("Visual", "other"), "");
    EXPECT_EQ(ini.Value("Visual", "key"), "");
    EXPECT_EQ(ini.Value("Visual", "an odd line"), "");
    EXPECT_EQ(ini.Value("Missing", "key"), "");
}

TEST(IniFile, ASetValueChangesOnlyThatValue) {
    const std::string before = "; r\xE9glages\r\n"
                               "[Visual]\r\n"
                               "  lastRecordPath =  /old.avi  \r\n"
                               "lastRecordPath=/duplicate.avi\r\n"
                               "no equals sign here\r\n"
                               "\r\n"
                               "[Connexion]\r\n"
                               "internetProvider=FREE";
    IniFile ini = Parsed(before);
    ini.SetValue("Visual", "lastRecordPath", "/new.avi");
    ini.SetValue("Connexion", "internetProvider", "FREE"); // unchanged: not rewritten
    EXPECT_EQ(ini.Bytes(), "; r\xE9glages\r\n"
                           "[Visual]\r\n"
                           "  lastRecordPath =  /new.avi  \r\n"
                           "lastRecordPath=/duplicate.avi\r\n"
                           "no equals sign here\r\n"
                           "\r\n"
                           "[Connexion]\r\n"
                           "internetProvider=FREE");

    ini.SetValue("Visual", "vlcpath", "/usr/bin/vlc");
    ini.SetValue("Connexion", "extra", "1");
    ini.SetValue("Web", "site", "http://x");
    EXPECT_EQ(ini.Bytes(), "; r\xE9glages\r\n"
                           "[Visual]\r\n"
                           "  lastRecordPath =  /new.avi  \r\n"
                           "lastRecordPath=/duplicate.avi\r\n"
                           "no equals sign here\r\n"
                           "vlcpath=/usr/bin/vlc\r\n"
                           "\r\n"
                           "[Connexion]\r\n"
                           "internetProvider=FREE\r\n"
                           "extra=1\r\n"
                           "[Web]\r\n"
                           "site=http://x\r\n");
}

TEST(IniFile, NewLinesFollowTheFileAndValuesCantBreakLines) {
    IniFile ini = Parsed("[Visual]\nvlcpath=\"/opt/vlc\"\n");
    ini.SetValue("Visual", "vlcpath", "/usr/bin/vlc"); // the quotes go with the old value
    ini.SetValue("Visual", "lastRecordPath", "/a.avi\r\n[Web]\nsite=http://evil");
    EXPECT_EQ(ini.Bytes(), "[Visual]\nvlcpath=/usr/bin/vlc\n"
                           "lastRecordPath=/a.avi[Web]site=http://evil\n");
    EXPECT_EQ(Parsed(ini.Bytes()).Value("Web", "site"), "");

    IniFile empty = Parsed("");
    empty.SetValue("Connexion", "internetProvider", "");
    EXPECT_EQ(empty.Bytes(), "[Connexion]\r\ninternetProvider=\r\n");
}

TEST(IniFile, KeepsTheFilesOwnEncoding) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string value; // of Visual/lastRecordPath, UTF-8
    };
    const auto utf16 = [](bool bigEndian, std::string_view ascii) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char c : ascii) {
            bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
        }
        return bytes;
    };
    const Case cases[] = {
        {"Windows-1252", "[Visual]\r\nlastRecordPath=/\xE9t\xE9.avi\r\n", "/été.avi"},
        {"UTF-8", "[Visual]\nlastRecordPath=/été.avi\n", "/été.avi"},
        {"UTF-8 with its mark", "\xEF\xBB\xBF[Visual]\nlastRecordPath=/a.avi\n", "/a.avi"},
        {"UTF-16 LE", utf16(false, "[Visual]\r\nlastRecordPath=/a.avi\r\n"), "/a.avi"},
        {"UTF-16 BE", utf16(true, "[Visual]\r\nlastRecordPath=/a.avi\r\n"), "/a.avi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IniFile ini = Parsed(c.bytes);
        EXPECT_EQ(ini.Value("Visual", "lastRecordPath"), c.value);
        EXPECT_EQ(ini.Bytes(), c.bytes);
        ini.SetValue("Visual", "lastRecordPath", "/Vidéos/€.avi");
        EXPECT_EQ(Parsed(ini.Bytes()).Value("Visual", "lastRecordPath"), "/Vidéos/€.avi");
    }
    IniFile utf16le = Parsed(utf16(false, "[Visual]\r\nlastRecordPath=/a.avi\r\n"));
    utf16le.SetValue("Visual", "lastRecordPath", "/b.avi");
    EXPECT_EQ(utf16le.Bytes(), utf16(false, "[Visual]\r\nlastRecordPath=/b.avi\r\n"));
}

TEST(IniFile, RefusesWhatItCantReadWhole) {
    const std::pair<std::string, const char*> damaged[] = {
        {"[Visual]\r\nlastRecordPath=/a\0b\r\n[Web]\r\n"s, "octet nul"},
        {"[Visual]\r\nvlcpath=/\x81\xE9\r\n", "ni Windows-1252 ni UTF-8"},
        {"\xEF\xBB\xBF[Visual]\nvlcpath=/\xE9\n", "UTF-8 invalide"},
        {"\xFF\xFE[\0V"s, "UTF-16"},
        {"\xFF\xFE\x00\xD8[\0"s, "UTF-16"},
        {"\xFF\xFE[\0\0\0"s, "caractère nul"},
    };
    for (const auto& [bytes, why] : damaged) {
        SCOPED_TRACE(why);
        IniFile ini;
        EXPECT_FALSE(ini.Parse(bytes));
        EXPECT_NE(ini.Damage().find(why), std::string::npos) << ini.Damage();
        EXPECT_EQ(ini.Value("Visual", "lastRecordPath"), "");
    }
}

} // namespace
} // namespace kalore

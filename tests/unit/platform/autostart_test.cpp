#include "platform/autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/atomic_file.h"
#include "support/temp_folder.h"

namespace kalore {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(autostart_); }

    std::string Entry() const {
        std::string text;
        ReadWholeFile(autostart_ + "/kalore.desktop", text);
        return text;
    }

    const testing::TempFolder folder_{"kalore-autostart"};
    const std::string root_ = folder_.Path().string();
    const std::string autostart_ = root_ + "/autostart";
};

TEST_F(AutostartTest, WritesEntryRunningTheCommand) {
    EXPECT_EQ(RegisterAutostart(autostart_, {"/opt/Kalore/kalore"}), std::nullopt);
    const std::string text = Entry();
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nExec=\"/opt/Kalore/kalore\"\n"), std::string::npos);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);

    // Registering again overwrites the entry; each argument is quoted on its own.
    EXPECT_EQ(RegisterAutostart(autostart_, {"/usr/lib/kalore/kalore", "--program-folder",
                                             "/home/ann/Kalore 2/"}),
              std::nullopt);
    EXPECT_NE(Entry().find("\nExec=\"/usr/lib/kalore/kalore\" \"--program-folder\" "
                           "\"/home/ann/Kalore 2/\"\n"),
              std::string::npos);
}

TEST_F(AutostartTest, DefaultFolderIsTheOneOfXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    EXPECT_EQ(DefaultAutostartFolder(), autostart_);
    EXPECT_EQ(RegisterAutostart(DefaultAutostartFolder(), {"/opt/Kalore/kalore"}), std::nullopt);
    UnregisterAutostart();
    EXPECT_FALSE(FileExists(autostart_ + "/kalore.desktop"));
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(AutostartTest, FolderNamesCannotAddArgumentsFieldCodesOrKeys) {
    EXPECT_EQ(RegisterAutostart(autostart_, {"/x/a\"b $c %f\\d\nHidden=true/kalore"}),
              std::nullopt);
    const std::string text = Entry();
    EXPECT_NE(text.find("Exec=\"/x/a\\\\\"b \\\\$c %%f\\\\\\\\d\\nHidden=true/kalore\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("\nHidden=true"), std::string::npos);
}

TEST_F(AutostartTest, RemovesEntryAndIgnoresAMissingOne) {
    RegisterAutostart(autostart_, {"/opt/Kalore/kalore"});
    UnregisterAutostart(autostart_);
    EXPECT_FALSE(FileExists(autostart_ + "/kalore.desktop"));
    UnregisterAutostart(autostart_);
    UnregisterAutostart(root_ + "/missing");
    EXPECT_TRUE(fs::is_directory(autostart_));
}

// A fresh account has neither ~/.config nor its autostart folder.
TEST_F(AutostartTest, AMissingFolderIsMadeWithItsParents) {
    const std::string fresh = root_ + "/home/.config/autostart";
    EXPECT_EQ(RegisterAutostart(fresh, {"/opt/Kalore/kalore"}), std::nullopt);
    std::string text;
    ASSERT_TRUE(ReadWholeFile(fresh + "/kalore.desktop", text));
    EXPECT_EQ(text, AutostartEntry({"/opt/Kalore/kalore"}));
}

TEST_F(AutostartTest, UnusableFolderWritesNothingAndSaysNothing) {
    {
        // Root ignores permission bits, so the folder is made unreachable instead:
        // its parent is a regular file.
        std::ofstream(root_ + "/file") << "x";
        EXPECT_EQ(RegisterAutostart(root_ + "/file/autostart", {"/opt/Kalore/kalore"}),
                  std::nullopt);
        UnregisterAutostart(root_ + "/file/autostart");
    }
    {
        std::ofstream(root_ + "/plain") << "x";
        EXPECT_EQ(RegisterAutostart(root_ + "/plain", {"/opt/Kalore/kalore"}), std::nullopt);
        EXPECT_EQ(fs::file_size(root_ + "/plain"), 1u);
    }
    EXPECT_EQ(fs::directory_iterator(autostart_), fs::directory_iterator());
}

TEST_F(AutostartTest, WriteFailureInAUsableFolderGivesTheFiveLineMessage) {
    fs::create_directory(autostart_ + "/kalore.desktop");
    const auto message = RegisterAutostart(autostart_, {"/opt/Kalore/kalore"});
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->rfind("Erreur d'accès à la configuration de votre système\r"
                             "Assurez vous d'avoir les droits d'administrateur.\r"
                             "Si vous êtes sous Windows 7 ou Vista, lancez Kalore en tant que "
                             "administrateur ou,\r"
                             "assurez vous d'avoir désactiver l'UAC (Contrôle des Comptes "
                             "d'Utilisateurs)\r (",
                             0),
              0u);
    EXPECT_EQ(message->back(), ')');
    EXPECT_GT(message->size(), SystemConfigurationErrorMessage("").size());
}

} // namespace
} // namespace kalore

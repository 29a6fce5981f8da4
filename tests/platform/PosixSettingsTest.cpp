#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "PosixTestUtil.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko;
using namespace ardeko::posixtest;

namespace {

class PosixSettingsTest : public ::testing::Test {
protected:
    TempHome home;
    std::unique_ptr<platform::SettingsStore> store = platform::posix::MakePosixSettings();
    std::string file() const { return home.config() + "/Veltrano/settings.ini"; }
};

TEST_F(PosixSettingsTest, MissingValuesGiveTheDefault) {
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko", "CurrLang", "0"), "0");
    EXPECT_FALSE(Exists(home.config()));  // reading creates nothing
    ASSERT_TRUE(store->SaveSetting("Veltrano", "OffArdeko", "Doku", "x"));
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko", "CurrLang", "0"), "0");
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko\\Word", "Doku", "none"), "none");
    EXPECT_EQ(store->GetSetting("Andere", "OffArdeko", "Doku", ""), "");
}

TEST_F(PosixSettingsTest, ValuesRoundTripAndAreReplaced) {
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } cases[] = {
        {"OffArdeko\\Word", "Startordner", "C:\\Daten\\"},
        {"OffArdeko\\Excel", "Startordner", "/home/anna/Tabellen mit Leerzeichen"},
        {"OffArdeko", "Doku", "Zeile 1\r\nZeile 2\nZeile 3\\n kein Umbruch"},
        {"OffArdeko", "Leer", ""},
        {"OffArdeko", "Umlaute", "Größe = Übermaß; [nicht] #kommentar"},
        {"OffArdeko", "Rand", " Blank vorn und hinten \\"},
    };
    for (const auto& c : cases) ASSERT_TRUE(store->SaveSetting("Veltrano", c.section, c.key, c.value)) << c.key;
    auto fresh = platform::posix::MakePosixSettings();  // another process reading the file
    for (const auto& c : cases)
        EXPECT_EQ(fresh->GetSetting("Veltrano", c.section, c.key, "?"), c.value) << c.section << " " << c.key;

    ASSERT_TRUE(store->SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner", "D:\\"));
    EXPECT_EQ(fresh->GetSetting("Veltrano", "OffArdeko\\Word", "Startordner", ""), "D:\\");
    EXPECT_EQ(fresh->GetSetting("Veltrano", "OffArdeko\\Excel", "Startordner", ""), cases[1].value);

    // Sections are written as given, one value per line.
    const std::string text = ReadFile(file());
    EXPECT_NE(text.find("[OffArdeko\\Word]\n"), std::string::npos);
    EXPECT_EQ(text.find("Zeile 1\r"), std::string::npos);
    EXPECT_EQ(text.find("[OffArdeko\\Word]"), text.rfind("[OffArdeko\\Word]"));
}

TEST_F(PosixSettingsTest, NamesAreFoundWithoutRegardToCase) {
    ASSERT_TRUE(store->SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner", "/a"));
    EXPECT_EQ(store->GetSetting("Veltrano", "offardeko\\WORD", "STARTORDNER", ""), "/a");
    ASSERT_TRUE(store->SaveSetting("Veltrano", "OFFARDEKO\\word", "startordner", "/b"));
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko\\Word", "Startordner", ""), "/b");
    EXPECT_EQ(ReadFile(file()).find("word]"), std::string::npos);  // the first spelling stays
}

TEST_F(PosixSettingsTest, HandWrittenFileIsRead) {
    std::filesystem::create_directories(home.config() + "/Veltrano");
    WriteFile(file(), "; written by hand\r\n[OffArdeko]\r\nCurrLang=1\r\nunsinn\r\n\r\n[Andere]\r\nCurrLang=7\r\n");
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko", "CurrLang", "0"), "1");
    ASSERT_TRUE(store->SaveSetting("Veltrano", "OffArdeko", "Doku", "/doc"));
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko", "CurrLang", "0"), "1");
    EXPECT_EQ(store->GetSetting("Veltrano", "Andere", "CurrLang", "0"), "7");
}

TEST_F(PosixSettingsTest, UnstorableNamesAreRefused) {
    EXPECT_FALSE(store->SaveSetting("", "OffArdeko", "Doku", "x"));
    EXPECT_FALSE(store->SaveSetting("../Anderswo", "OffArdeko", "Doku", "x"));
    EXPECT_FALSE(store->SaveSetting("Veltrano", "Off]Ardeko", "Doku", "x"));
    EXPECT_FALSE(store->SaveSetting("Veltrano", "OffArdeko", "Do=ku", "x"));
    EXPECT_FALSE(store->SaveSetting("Veltrano", "OffArdeko", "", "x"));
    EXPECT_FALSE(store->SaveSetting("Veltrano", "Off\nArdeko", "Doku", "x"));
    EXPECT_FALSE(Exists(file()));
}

TEST_F(PosixSettingsTest, UnwritableFolderFailsAndKeepsOldValues) {
    ASSERT_TRUE(store->SaveSetting("Veltrano", "OffArdeko", "Doku", "alt"));
    Immutable locked(home.config() + "/Veltrano");
    if (!locked.ok()) GTEST_SKIP() << "needs root and chattr";
    EXPECT_FALSE(store->SaveSetting("Veltrano", "OffArdeko", "Doku", "neu"));
    EXPECT_EQ(store->GetSetting("Veltrano", "OffArdeko", "Doku", ""), "alt");
    for (const auto& name : Names(home.config() + "/Veltrano"))
        EXPECT_EQ(name.rfind(".settings-", 0), std::string::npos) << "left behind: " << name;
}

TEST_F(PosixSettingsTest, ProgramsSavingAtOnceLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kKeys = 15;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto own = platform::posix::MakePosixSettings();
            for (int k = 0; k < kKeys; ++k)
                if (!own->SaveSetting("Veltrano", "Lauf", std::to_string(w) + "-" + std::to_string(k), "x")) _exit(1);
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(store->GetSetting("Veltrano", "Lauf", std::to_string(w) + "-" + std::to_string(k), "-"), "x");
}

TEST_F(PosixSettingsTest, DefaultFolderIsBelowHome) {
    ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
    ASSERT_TRUE(store->SaveSetting("Veltrano", "OffArdeko", "Doku", "x"));
    EXPECT_TRUE(Exists(home.home() + "/.config/Veltrano/settings.ini"));
}

}  // namespace

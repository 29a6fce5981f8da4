#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Registry.h"
#include "support/Help.h"
#include "testkit/TestEnv.h"

namespace ardeko::testkit {
namespace {

constexpr const char* kRegKey = "Software\\Veltrano\\OffArdeko";
constexpr const char* kGermanWordManual = "Dokumentation Veltrano Archivierungs-Assistent für Word";
constexpr const char* kGermanFallback =
    "Sie finden eine Kurz-Anleitung zu diesem Add-In im Start-Menü unter 'Programme-Veltrano'...";
constexpr const char* kEnglishFallback = "You'll find a first steps documentation in 'Start-Programs-Veltrano'...";

class HelpTest : public ::testing::Test {
protected:
    std::string MakeFile(const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "Handbuch";
        return path;
    }
    std::string Beside(const std::string& name) { return MakeFile(env.shell.programFolder + "/" + name); }

    // The documents opened so far.
    std::vector<std::string> Opened() const {
        std::vector<std::string> out;
        for (const auto& r : env.shell.executed) out.push_back(r.file);
        return out;
    }

    void ExpectFallback(const std::string& text, const std::string& title) {
        EXPECT_TRUE(env.shell.executed.empty());
        EXPECT_EQ(env.ui.beeps, 1);
        ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
        EXPECT_EQ(env.ui.styledBoxes[0].prompt, "\r\n" + text);
        EXPECT_EQ(env.ui.styledBoxes[0].title, title);
        EXPECT_EQ(env.ui.styledBoxes[0].flags & 0x77, 64) << "information icon, OK only";
    }

    TestEnv env;
};

TEST_F(HelpTest, SettingWinsAndNothingElseIsAsked) {
    env.ConnectHost("Microsoft Word", "16.0");
    const std::string doc = MakeFile(env.dir / "Handbuch/Anleitung.pdf");
    env.settings.Set("OffArdeko", "Doku", doc);
    env.registry.SetString(platform::HKEY_LOCAL_MACHINE_, kRegKey, "Doku", MakeFile(env.dir / "reg.pdf"));
    Beside(std::string(kGermanWordManual) + ".pdf");
    ShowHelp();
    EXPECT_EQ(Opened(), std::vector<std::string>{doc});
    EXPECT_TRUE(env.registry.opens.empty());
    EXPECT_EQ(env.ui.beeps, 0);
    EXPECT_TRUE(env.ui.styledBoxes.empty());
}

TEST_F(HelpTest, RegistryWhenTheSettingIsEmpty) {
    env.ConnectHost("Microsoft Word", "16.0");
    const std::string doc = MakeFile(env.dir / "Programme/Veltrano/Handbuch mit Blanks.chm");
    env.registry.SetString(platform::HKEY_LOCAL_MACHINE_, kRegKey, "Doku", doc);
    Beside(std::string(kGermanWordManual) + ".pdf");
    ShowHelp();
    EXPECT_EQ(Opened(), std::vector<std::string>{doc});
    ASSERT_EQ(env.registry.opens.size(), 1u);
    EXPECT_EQ(std::get<0>(env.registry.opens[0]), platform::HKEY_LOCAL_MACHINE_);
    EXPECT_EQ(std::get<1>(env.registry.opens[0]), kRegKey);
    EXPECT_EQ(env.registry.openHandles, 0);
}

TEST_F(HelpTest, ManualBesideTheProgramPerHostAndLanguage) {
    Beside(std::string(kGermanWordManual) + ".pdf");
    Beside("Manual Veltrano Archiving Wizard for Excel.html");

    struct Case {
        const char* host;
        std::int16_t lang;
        const char* found;  // nullptr: the fallback message
    };
    const Case cases[] = {
        {"Microsoft Word", 0, "Dokumentation Veltrano Archivierungs-Assistent für Word.pdf"},
        {"Microsoft Excel", 0, nullptr},
        {"Microsoft Excel", 1, "Manual Veltrano Archiving Wizard for Excel.html"},
        {"Microsoft Word", 1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " / " + std::to_string(c.lang));
        env.shell.executed.clear();
        env.ui.styledBoxes.clear();
        env.ui.beeps = 0;
        env.ConnectHost(c.host, "16.0", c.lang);
        ShowHelp();
        if (c.found) {
            EXPECT_EQ(Opened(), std::vector<std::string>{env.shell.programFolder + "/" + c.found});
            EXPECT_TRUE(env.ui.styledBoxes.empty());
        } else if (c.lang == 0) {
            ExpectFallback(kGermanFallback, "Veltrano Archivierungs-Assistent v3.00");
        } else {
            ExpectFallback(kEnglishFallback, "Veltrano Archiving Wizard v3.00");
        }
    }
}

TEST_F(HelpTest, StaleRecordedPathFallsBackToTheProgramFolder) {
    env.ConnectHost("Microsoft Word", "16.0");
    const std::string beside = Beside(std::string(kGermanWordManual) + ".pdf");
    for (bool inSettings : {true, false}) {
        SCOPED_TRACE(inSettings ? "setting" : "registry");
        env.shell.executed.clear();
        env.settings.values.clear();
        const std::string gone = env.dir / "gelöscht/Anleitung.pdf";
        if (inSettings)
            env.settings.Set("OffArdeko", "Doku", gone);
        else
            env.registry.SetString(platform::HKEY_LOCAL_MACHINE_, kRegKey, "Doku", gone);
        ShowHelp();
        EXPECT_EQ(Opened(), std::vector<std::string>{beside});
        EXPECT_TRUE(env.ui.styledBoxes.empty());
    }
}

TEST_F(HelpTest, OnlyNormalFilesCount) {
    env.ConnectHost("Microsoft Word", "16.0");
    // A recorded path naming a folder, and a folder matching the manual's pattern.
    std::filesystem::create_directories(env.dir / "Ordner.pdf");
    env.settings.Set("OffArdeko", "Doku", env.dir / "Ordner.pdf");
    std::filesystem::create_directories(env.shell.programFolder + "/" + kGermanWordManual + ".d");
    ShowHelp();
    ExpectFallback(kGermanFallback, "Veltrano Archivierungs-Assistent v3.00");

    // A hidden file is no documentation either; the visible one next to it is.
    env.ui.styledBoxes.clear();
    env.ui.beeps = 0;
    env.settings.Set("OffArdeko", "Doku", MakeFile(env.dir / ".versteckt.pdf"));
    const std::string visible = Beside(std::string(kGermanWordManual) + ".txt");
    ShowHelp();
    EXPECT_EQ(Opened(), std::vector<std::string>{visible});
}

TEST_F(HelpTest, ManualWithoutExtensionMatches) {
    env.ConnectHost("Microsoft Word", "16.0");
    const std::string beside = Beside(kGermanWordManual);
    ShowHelp();
    EXPECT_EQ(Opened(), std::vector<std::string>{beside});
}

TEST_F(HelpTest, BrokenSourcesAreSkipped) {
    env.ConnectHost("Microsoft Word", "16.0");
    env.settings.failRead = true;
    env.registry.SetDword(platform::HKEY_LOCAL_MACHINE_, kRegKey, "Doku", 7);  // not a path
    const std::string beside = Beside(std::string(kGermanWordManual) + ".pdf");
    EXPECT_NO_THROW(ShowHelp());
    EXPECT_EQ(Opened(), std::vector<std::string>{beside});
}

TEST_F(HelpTest, NoProgramFolderGivesTheFallback) {
    env.ConnectHost("Microsoft Access", "11.0");
    env.shell.programFolder = env.dir / "fehlt";
    ShowHelp();
    ExpectFallback(kGermanFallback, "Veltrano Archivierungs-Assistent v3.00");
}

}  // namespace
}  // namespace ardeko::testkit

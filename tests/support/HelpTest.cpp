#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Registry.h"
#include "support/Help.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;

const std::string kKey = "Software\\Veltrano\\OffArdeko", kWord = "Program/Dokumentation Veltrano Archivierungs-Assistent für Word";
const std::string kGerman = "\r\nSie finden eine Kurz-Anleitung zu diesem Add-In im Start-Menü unter 'Programme-Veltrano'... | "
                            "Veltrano Archivierungs-Assistent v3.00 | 64 | beeps 1";

// Puts up the files (a trailing "/" makes a folder) and records the paths, then runs ShowHelp. Returns the
// document it opened, relative to the scratch folder, or the notice it showed.
static std::string Help(TestEnv& env, const std::vector<std::string>& files, const std::string& setting = "", const std::string& reg = "") {
    for (const std::string& f : files) {
        std::filesystem::create_directories(std::filesystem::path(env.dir / f).parent_path());
        if (f.back() != '/') std::ofstream(env.dir / f) << "Handbuch";
    }
    if (!setting.empty()) env.settings.Set("OffArdeko", "Doku", env.dir / setting);
    if (!reg.empty()) env.registry.SetString(platform::HKEY_LOCAL_MACHINE_, kKey, "Doku", env.dir / reg);
    ShowHelp();
    if (!env.shell.executed.empty()) return std::filesystem::relative(env.shell.executed[0].file, env.dir.path());
    const auto& box = env.ui.styledBoxes.at(0);
    return box.prompt + " | " + box.title + " | " + std::to_string(box.flags & 0x77) + " | beeps " + std::to_string(env.ui.beeps);
}

TEST(HelpTest, RecordedPathThenTheManualBesideTheProgramThenTheNotice) {
    const std::string excel = "Program/Manual Veltrano Archiving Wizard for Excel.html";
    const std::tuple<const char*, std::int16_t, std::vector<std::string>, std::string, std::string, std::string> cases[] = {
        // host, language, files, recorded in the settings, in the registry, what opens
        {"Word", 0, {"Handbuch/A.pdf", "r.pdf", kWord + ".pdf"}, "Handbuch/A.pdf", "r.pdf", "Handbuch/A.pdf"},
        {"Word", 0, {"Mit Blanks.chm", kWord + ".pdf"}, "", "Mit Blanks.chm", "Mit Blanks.chm"},
        {"Word", 0, {kWord + ".pdf", excel}, "", "", kWord + ".pdf"},
        {"Excel", 0, {kWord + ".pdf", excel}, "", "", kGerman},
        {"Excel", 1, {kWord + ".pdf", excel}, "", "", excel},
        {"Word", 1, {kWord + ".pdf"}, "", "", "\r\nYou'll find a first steps documentation in 'Start-Programs-Veltrano'... | "
                                              "Veltrano Archiving Wizard v3.00 | 64 | beeps 1"},
        {"Word", 0, {kWord + ".pdf"}, "weg.pdf", "", kWord + ".pdf"},  // a recorded file that is gone (from either)
        {"Word", 0, {"Ordner.pdf/", kWord + ".d/"}, "Ordner.pdf", "", kGerman},  // folders do not count
        {"Word", 0, {".versteckt.pdf", kWord + ".txt"}, ".versteckt.pdf", "", kWord + ".txt"},  // nor hidden files
    };
    for (const auto& [app, lang, files, setting, reg, opened] : cases) {
        SCOPED_TRACE(std::string(app) + " " + std::to_string(lang) + " " + files[0]);
        TestEnv env;
        env.ConnectHost(std::string("Microsoft ") + app, "16.0", lang);
        EXPECT_EQ(Help(env, files, setting, reg), opened);
        EXPECT_EQ(env.registry.opens.empty(), !setting.empty()) << "the registry only when nothing is set";
    }
}

TEST(HelpTest, BrokenSourcesAreSkipped) {
    TestEnv env;
    env.ConnectHost("Microsoft Word", "16.0");
    env.settings.failRead = true;
    env.registry.SetDword(platform::HKEY_LOCAL_MACHINE_, kKey, "Doku", 7);  // not a path
    EXPECT_EQ(Help(env, {kWord + ".pdf"}), kWord + ".pdf");
    env.shell.executed.clear();
    env.shell.programFolder = env.dir / "fehlt";
    EXPECT_EQ(Help(env, {}), kGerman);
}

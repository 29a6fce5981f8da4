#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/Registry.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/TestEnv.h"
#include "wizard/FolderChoice.h"
#include "wizard/frmArdeko.h"

namespace ardeko::testkit {
namespace {

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class FolderChoiceTest : public ::testing::Test {
protected:
    // A loaded wizard in the given host.
    std::unique_ptr<frmArdeko> Wizard(const std::string& hostName = "Microsoft Word") {
        env.ConnectHost(hostName, "16.0");
        auto form = std::make_unique<frmArdeko>();
        form->Load();
        return form;
    }
    void Answer(const std::string& chosen) {
        env.ui.onBrowse = [chosen](const ui::HeadlessUi::BrowseCall&) { return chosen; };
    }
    std::optional<std::string> Stored(const std::string& host = "Word") const {
        return env.settings.Get("OffArdeko\\" + host, "Startordner");
    }

    TestEnv env;
};

TEST_F(FolderChoiceTest, ChosenFolderGoesToLabelAndSetting) {
    struct Case {
        const char* chosen;
        const char* label;
    };
    // A root-like choice keeps its trailing separator in the setting only.
    const Case cases[] = {
        {"/home/anna/Berichte", "/home/anna/Berichte"},
        {"/media/usb/", "/media/usb"},
        {"/srv/Alte Ablage mit Blanks/", "/srv/Alte Ablage mit Blanks"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        auto form = Wizard();
        form->lblSourcePath.Caption = "/vorher";
        Answer(c.chosen);
        env.ui.browseCalls.clear();
        form->btnChooseSource.PerformClick();
        ASSERT_EQ(env.ui.browseCalls.size(), 1u);
        EXPECT_EQ(env.ui.browseCalls[0].title, "Startordner wählen:");
        EXPECT_EQ(env.ui.browseCalls[0].startFolder, "/vorher");
        EXPECT_FALSE(env.ui.browseCalls[0].newStyle);
        EXPECT_EQ(form->lblSourcePath.Caption, c.label);
        EXPECT_EQ(Stored(), c.chosen);
    }
}

TEST_F(FolderChoiceTest, DoubleClickOnTheLabelChoosesToo) {
    auto form = Wizard("Microsoft Excel");
    Answer("/daten/excel");
    form->lblSourcePath.PerformDblClick();
    EXPECT_EQ(form->lblSourcePath.Caption, "/daten/excel");
    EXPECT_EQ(Stored("Excel"), "/daten/excel");
    EXPECT_EQ(Stored("Word"), std::nullopt);
}

TEST_F(FolderChoiceTest, CancelChangesNothing) {
    for (const char* before : {"/home/anna/Alt", ""}) {
        SCOPED_TRACE(before);
        env.settings.values.clear();
        auto form = Wizard();
        form->lblSourcePath.Caption = before;
        Answer("");
        form->btnChooseSource.PerformClick();
        EXPECT_EQ(form->lblSourcePath.Caption, before);
        EXPECT_EQ(Stored(), std::nullopt);
    }
}

TEST_F(FolderChoiceTest, EmptyStartFolderOpensOnTheDocumentsFolder) {
    struct Case {
        const char* what;
        std::optional<std::string> personal;
        std::optional<std::string> windir;
        const char* expected;
    };
    const Case cases[] = {
        {"documents folder", "/home/anna/Dokumente", "/windows", "/home/anna/Dokumente"},
        {"no registry value", std::nullopt, "/windows", "/windows"},
        {"no windir either", std::nullopt, std::nullopt, "/home/anna"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestEnv local;
        local.shell.environment.erase("windir");
        if (c.windir) local.shell.environment["windir"] = *c.windir;
        local.shell.environment["HOME"] = "/home/anna";
        if (c.personal) local.registry.SetString(platform::HKEY_CURRENT_USER_, kShellFolders, "Personal", *c.personal);
        for (const char* start : {"", "   "}) {
            std::string folder = start;
            local.ui.browseCalls.clear();
            EXPECT_EQ(BrowseForFolder("Titel", folder, true), "");
            EXPECT_EQ(folder, c.expected) << "the start folder is in/out";
            ASSERT_EQ(local.ui.browseCalls.size(), 1u);
            EXPECT_EQ(local.ui.browseCalls[0].startFolder, c.expected);
            EXPECT_EQ(local.ui.browseCalls[0].title, "Titel");
            EXPECT_TRUE(local.ui.browseCalls[0].newStyle);
        }
    }
}

TEST_F(FolderChoiceTest, GivenStartFolderIsKept) {
    env.registry.SetString(platform::HKEY_CURRENT_USER_, kShellFolders, "Personal", "/home/anna/Dokumente");
    std::string folder = " /srv/daten ";
    Answer("/srv/daten/neu");
    EXPECT_EQ(BrowseForFolder("Titel", folder, false), "/srv/daten/neu");
    EXPECT_EQ(folder, " /srv/daten ");
    EXPECT_TRUE(env.registry.opens.empty());
}

TEST_F(FolderChoiceTest, FailuresLeaveTheWizardUsable) {
    auto form = Wizard();
    form->lblSourcePath.Caption = "/alt";
    env.ui.onBrowse = [](const ui::HeadlessUi::BrowseCall&) -> std::string { throw std::runtime_error("kaputt"); };
    EXPECT_NO_THROW(form->btnChooseSource.PerformClick());
    EXPECT_EQ(form->lblSourcePath.Caption, "/alt");

    env.settings.failSave = true;
    Answer("/neu/");
    EXPECT_NO_THROW(form->btnChooseSource.PerformClick());
    EXPECT_EQ(form->lblSourcePath.Caption, "/neu");
    EXPECT_EQ(Stored(), std::nullopt);
}

TEST_F(FolderChoiceTest, ExplorerOpensTheShownFolder) {
    auto form = Wizard();
    form->lblSourcePath.Caption = "";
    form->btnExplSource.PerformClick();
    EXPECT_EQ(env.ui.beeps, 1);
    EXPECT_TRUE(env.shell.fileManagerCalls.empty());

    form->lblSourcePath.Caption = "/home/anna/Meine Ablage/";
    env.shell.fileManagerStarts = false;  // the wizard does not look at the outcome
    form->btnExplSource.PerformClick();
    EXPECT_EQ(env.shell.fileManagerCalls, std::vector<std::string>{"/home/anna/Meine Ablage"});
    EXPECT_EQ(env.ui.beeps, 1);
    EXPECT_TRUE(env.ui.systemBoxes.empty());
    EXPECT_TRUE(env.ui.styledBoxes.empty());
}

// The real file-manager launch hands the folder over as one argument, blanks and all.
TEST_F(FolderChoiceTest, FolderWithBlanksReachesTheFileManagerAsOneArgument) {
    TempDir scratch;
    const std::string record = scratch / "args.txt";
    const std::string opener = scratch / "opener.sh";
    {
        std::ofstream script(opener);
        script << "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > '" << record << ".tmp'\n"
               << "mv '" << record << ".tmp' '" << record << "'\n";
    }
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    const char* previous = std::getenv("ARDEKO_OPENER");
    const std::string saved = previous ? previous : "";
    setenv("ARDEKO_OPENER", opener.c_str(), 1);

    auto posixShell = platform::posix::MakePosixShell();
    platform::Ports ports = platform::ports();
    ports.shell = posixShell.get();
    {
        platform::ScopedPorts scope(ports);
        auto form = Wizard();
        const std::string folder = scratch / "Alte Ablage  mit \"Blanks\"";
        std::filesystem::create_directories(folder);
        form->lblSourcePath.Caption = folder + "/";
        form->btnExplSource.PerformClick();

        for (int i = 0; i < 500 && !std::filesystem::exists(record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record);
        std::string count, argument;
        std::getline(in, count);
        std::getline(in, argument);
        EXPECT_EQ(count, "1");
        EXPECT_EQ(argument, folder);
    }
    if (previous)
        setenv("ARDEKO_OPENER", saved.c_str(), 1);
    else
        unsetenv("ARDEKO_OPENER");
}

}  // namespace
}  // namespace ardeko::testkit

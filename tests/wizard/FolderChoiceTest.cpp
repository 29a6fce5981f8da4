#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Registry.h"
#include "testkit/TestEnv.h"
#include "wizard/FolderChoice.h"
#include "wizard/frmArdeko.h"

namespace ardeko::testkit {
namespace {

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A loaded wizard in the host, showing `shown` as its start folder.
std::unique_ptr<frmArdeko> Wizard(TestEnv& env, const std::string& app, const std::string& shown) {
    auto form = (env.ConnectHost("Microsoft " + app, "16.0"), std::make_unique<frmArdeko>());
    form->Load(), form->lblSourcePath.Caption = shown;
    return form;
}

TEST(FolderChoiceTest, ChosenFolderGoesToLabelAndSetting) {
    const std::tuple<const char*, bool, std::string, std::string> cases[] = {  // host, by double-click, chosen, shown
        {"Word", false, "/home/anna/Berichte", "/home/anna/Berichte"},
        {"Word", false, "/media/usb/", "/media/usb"},  // the setting keeps a root's separator
        {"Excel", true, "/srv/Alte Ablage mit Blanks/", "/srv/Alte Ablage mit Blanks"},
        {"Word", false, "", "/vorher"},  // cancelled: nothing changes
    };
    for (const auto& [app, dblClick, chosen, shown] : cases) {
        SCOPED_TRACE(chosen);
        TestEnv env;
        auto form = Wizard(env, app, "/vorher");
        env.ui.onBrowse = [&chosen](auto&) { return chosen; };
        dblClick ? form->lblSourcePath.PerformDblClick() : form->btnChooseSource.PerformClick();
        const auto& call = env.ui.browseCalls.at(0);
        EXPECT_EQ(std::tie(call.title, call.startFolder, call.newStyle, form->lblSourcePath.Caption),
                  std::make_tuple("Startordner wählen:", "/vorher", false, shown));
        EXPECT_EQ(env.settings.Get("OffArdeko\\" + std::string(app), "Startordner"), chosen.empty() ? std::nullopt : std::optional(chosen));
    }
}

TEST(FolderChoiceTest, BlankStartFolderOpensOnTheDocumentsFolder) {
    // The documents folder, windir, the start folder handed in and the one the dialog opens on.
    const std::tuple<std::optional<std::string>, std::optional<std::string>, std::string, std::string> cases[] = {
        {"/home/anna/Dokumente", "/windows", "", "/home/anna/Dokumente"},
        {std::nullopt, "/windows", "   ", "/windows"},
        {std::nullopt, std::nullopt, "", "/home/anna"},
        {"/home/anna/Dokumente", "/windows", " /srv/daten ", " /srv/daten "},
    };
    for (const auto& [personal, windir, start, used] : cases) {
        SCOPED_TRACE("'" + start + "' -> " + used);
        TestEnv env;
        env.shell.environment = {{"HOME", "/home/anna"}};
        if (windir) env.shell.environment["windir"] = *windir;
        if (personal) env.registry.SetString(platform::HKEY_CURRENT_USER_, kShellFolders, "Personal", *personal);
        env.ui.onBrowse = [](auto&) { return "/srv/neu"; };
        std::string folder = start;  // in and out
        EXPECT_EQ(BrowseForFolder("Titel", folder, true), "/srv/neu");
        EXPECT_EQ(std::tie(folder, env.ui.browseCalls.at(0).startFolder, env.ui.browseCalls.at(0).newStyle), std::make_tuple(used, used, true));
    }
}

TEST(FolderChoiceTest, FailuresLeaveTheWizardUsableAndExplorerOpensTheShownFolder) {
    TestEnv env;
    auto form = Wizard(env, "Word", "/alt");
    env.ui.onBrowse = [](auto&) -> std::string { throw std::runtime_error("kaputt"); };
    EXPECT_NO_THROW(form->btnChooseSource.PerformClick());
    EXPECT_EQ(form->lblSourcePath.Caption, "/alt");
    env.settings.failSave = true, env.ui.onBrowse = [](auto&) { return "/home/anna/Meine Ablage/"; };
    EXPECT_NO_THROW(form->btnChooseSource.PerformClick());
    env.shell.fileManagerStarts = false;  // the wizard does not look at the outcome
    form->btnExplSource.PerformClick();
    EXPECT_EQ(env.shell.fileManagerCalls, std::vector<std::string>{"/home/anna/Meine Ablage"});
    form->lblSourcePath.Caption = "", form->btnExplSource.PerformClick();
    EXPECT_EQ(env.shell.fileManagerCalls.size(), 1u);
    EXPECT_EQ(env.ui.beeps, 1) << "nothing to show";
    EXPECT_TRUE(env.ui.systemBoxes.empty() && env.ui.styledBoxes.empty());
}

}  // namespace
}  // namespace ardeko::testkit

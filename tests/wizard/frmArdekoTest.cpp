// The wizard form: what it shows after loading, its file-type lists and tick rules, the
// remembered start folder, and the small buttons.
#include <gtest/gtest.h>

#include "testkit/TestEnv.h"
#include "wizard/frmArdeko.h"

namespace ardeko {
namespace {

std::vector<std::string> Texts(const ui::CheckListBox& list) {
    std::vector<std::string> out;
    for (const auto& item : list.Items) out.push_back(item.Text);
    return out;
}

std::vector<bool> Ticks(const ui::CheckListBox& list) {
    std::vector<bool> out;
    for (const auto& item : list.Items) out.push_back(item.Selected);
    return out;
}

class Wizard : public ::testing::Test {
protected:
    testkit::TestEnv env;
};

TEST_F(Wizard, LoadSetsTheDefaultsForTheDayItOpens) {
    env.clock.now = {2026, 12, 4, 9, 30, 0};
    env.ConnectHost("Microsoft Word");
    frmArdeko f;
    f.Load();

    EXPECT_EQ(f.HostAppName, "Word");
    EXPECT_EQ(f.Caption, " Veltrano Archivierungs-Assistent v3.00 für Word");
    EXPECT_EQ(f.XPForm.Caption, f.Caption);
    EXPECT_TRUE(f.XPForm.Attached);
    EXPECT_EQ(f.btnCancel.ToolTipText, " Zurück zu Word");
    EXPECT_EQ(f.lblSourcePath.Caption, "");
    EXPECT_EQ(f.lblStatus.Caption, "");

    EXPECT_TRUE(f.obEdited.Value);
    EXPECT_FALSE(f.obCreated.Value);
    EXPECT_FALSE(f.obAccessed.Value);
    EXPECT_TRUE(f.obYear.Value);
    EXPECT_FALSE(f.obYearMonth.Value);
    EXPECT_TRUE(f.cbSubDirs.Value);
    EXPECT_TRUE(f.cbTest.Value);
    EXPECT_FALSE(f.cbConfirm.Value);

    EXPECT_EQ(f.clMonth.ListCount(), 12);
    EXPECT_EQ(f.clMonth.Items.front(), "Januar");
    EXPECT_EQ(f.clMonth.Items[2], "März");
    EXPECT_EQ(f.clMonth.Text(), "Dezember");
    EXPECT_EQ(f.MonthNames[5], "Juni");

    ASSERT_EQ(f.clYear.ListCount(), 31);
    EXPECT_EQ(f.clYear.Items.front(), "2026");
    EXPECT_EQ(f.clYear.Items.back(), "1996");
    EXPECT_EQ(f.clYear.Text(), "2025");

    EXPECT_EQ(Texts(f.lstFileTypes),
              (std::vector<std::string>{"Dokumente (*.DOC*)", "Vorlagen (*.DOT*)", "Alle Dateien (*.*)"}));
    EXPECT_EQ(Ticks(f.lstFileTypes), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(f.lstFileTypes.ListIndex, 0);

    EXPECT_EQ(f.btnHelp.Caption, "Hilfe");
    EXPECT_NE(f.btnHelp.ToolTipText.find("Dokumentation"), std::string::npos);
    EXPECT_EQ(f.btnDoIt.Caption, "Archivieren!");
    EXPECT_EQ(f.btnDoIt.ToolTipText, " Archivierung durchführen");
    EXPECT_EQ(f.btnProto.ToolTipText, " Protokoll anzeigen");
    EXPECT_EQ(f.btnDelProto.ToolTipText, " Protokoll löschen");
    EXPECT_EQ(f.cbTest.ToolTipText, " Nicht archivieren, nur Testlauf und Protokoll");
}

TEST_F(Wizard, EnglishInterfaceTranslatesTheTaggedButtonsOnly) {
    env.ConnectHost("Microsoft Excel", "16.0", 1);
    frmArdeko f;
    f.Load();
    EXPECT_EQ(f.Caption, " Veltrano Archiving Wizard v3.00 für Excel");
    EXPECT_EQ(f.btnHelp.Caption, "Help");
    EXPECT_EQ(f.btnHelp.ToolTipText, " Click for documentation...");
    EXPECT_EQ(f.btnInfo.Caption, "Info");
    EXPECT_EQ(f.btnDoIt.Caption, "Archivieren!");
    EXPECT_EQ(f.clMonth.Items.back(), "Dezember");
    EXPECT_EQ(f.lstFileTypes.Items.back().Text, "Alle Dateien (*.*)");
    EXPECT_EQ(f.MousePointer, ui::MousePointerDefault);
}

TEST_F(Wizard, FileTypesPerHostAndHostVersion) {
    struct Case {
        const char* name;
        const char* version;
        std::vector<std::string> entries;
    };
    const std::vector<Case> cases = {
        {"Microsoft Excel", "16.0", {"Arbeitsmappen (*.XLS*)", "Vorlagen (*.XLT*)", "Alle Dateien (*.*)"}},
        {"Microsoft PowerPoint", "16.0",
         {"Präsentationen (*.PPT*)", "Pack && Go (*.PPS*)", "Vorlagen (*.POT*)", "Alle Dateien (*.*)"}},
        {"Microsoft Access", "11.0",
         {"Datenbanken (*.MDB)", "Assistenten (*.MDA)", "Bibliotheken (*.MDE)", "Alle Dateien (*.*)"}},
        {"Microsoft Access", "12.0",
         {"Datenbanken (*.ACCDB)", "Assistenten (*.ACCDA)", "Bibliotheken (*.ACCDE)", "Alle Dateien (*.*)"}},
        {"Microsoft Access", "16.0",
         {"Datenbanken (*.ACCDB)", "Assistenten (*.ACCDA)", "Bibliotheken (*.ACCDE)", "Alle Dateien (*.*)"}},
        {"Microsoft Outlook", "16.0", {"Alle Dateien (*.*)"}},
    };
    for (const auto& c : cases) {
        env.ConnectHost(c.name, c.version);
        frmArdeko f;
        f.Load();
        EXPECT_EQ(Texts(f.lstFileTypes), c.entries) << c.name << " " << c.version;
        EXPECT_TRUE(f.lstFileTypes.Items[0].Selected);
    }
    // No host at all: the neutral name, only all files.
    Module().HostApp.reset();
    frmArdeko f;
    f.Load();
    EXPECT_EQ(f.HostAppName, "Office");
    EXPECT_EQ(Texts(f.lstFileTypes), std::vector<std::string>{"Alle Dateien (*.*)"});
}

TEST_F(Wizard, TickRulesKeepAllFilesAndSpecificTypesApart) {
    env.ConnectHost("Microsoft Word");
    // Entries: 0 "Dokumente (*.DOC*)", 1 "Vorlagen (*.DOT*)", 2 "Alle Dateien (*.*)".
    struct Case {
        std::vector<bool> before;
        int index;
        bool tick;
        std::vector<bool> after;
    };
    const std::vector<Case> cases = {
        {{true, true, false}, 2, true, {false, false, true}},   // all files ticked: the only one
        {{false, false, true}, 1, true, {false, true, false}},  // a specific type clears all files
        {{true, false, true}, 0, false, {false, false, false}}, // clearing a type clears all files too
        {{true, true, false}, 1, false, {true, false, false}},  // nothing else changes
        {{true, true, true}, 2, false, {true, true, false}},    // clearing all files changes nothing else
    };
    for (const auto& c : cases) {
        frmArdeko f;
        f.Load();
        for (std::size_t i = 0; i < c.before.size(); ++i) f.lstFileTypes.Items[i].Selected = c.before[i];
        f.lstFileTypes.UserSetSelected(c.index, c.tick);
        EXPECT_EQ(Ticks(f.lstFileTypes), c.after) << "entry " << c.index << (c.tick ? " ticked" : " cleared");
    }
}

TEST_F(Wizard, StartFolderIsRememberedPerHost) {
    env.settings.Set("OffArdeko\\Word", "Startordner", "/home/anna/Berichte");
    env.ConnectHost("Microsoft Word");
    frmArdeko word;
    word.Load();
    EXPECT_EQ(word.lblSourcePath.Caption, "/home/anna/Berichte");

    env.ConnectHost("Microsoft Excel");
    frmArdeko excel;
    excel.Load();
    EXPECT_EQ(excel.lblSourcePath.Caption, "");

    // A settings store that cannot be read leaves the path empty; the form still opens.
    env.settings.failRead = true;
    env.ConnectHost("Microsoft Word");
    frmArdeko broken;
    broken.Load();
    EXPECT_EQ(broken.lblSourcePath.Caption, "");
    EXPECT_EQ(broken.lstFileTypes.ListCount(), 3);
}

TEST_F(Wizard, OpeningAgainStartsFromTheDefaults) {
    env.ConnectHost("Microsoft Word");
    env.settings.Set("OffArdeko\\Word", "Startordner", "/daten");
    frmArdeko f;
    f.Load();
    f.obAccessed.Select();
    f.obYearMonth.Select();
    f.cbTest.Value = false;
    f.cbConfirm.Value = true;
    f.cbSubDirs.Value = false;
    f.clMonth.ListIndex = 3;
    f.lstFileTypes.UserSetSelected(2, true);
    f.lblStatus.Caption = "Fertig...";
    f.btnCancel.PerformClick();
    EXPECT_FALSE(f.Loaded());

    f.Load();
    EXPECT_TRUE(f.obEdited.Value);
    EXPECT_FALSE(f.obAccessed.Value);
    EXPECT_TRUE(f.obYear.Value);
    EXPECT_FALSE(f.obYearMonth.Value);
    EXPECT_TRUE(f.cbTest.Value);
    EXPECT_FALSE(f.cbConfirm.Value);
    EXPECT_TRUE(f.cbSubDirs.Value);
    EXPECT_EQ(f.clMonth.ListIndex, 11);
    EXPECT_EQ(f.clMonth.ListCount(), 12);
    EXPECT_EQ(f.clYear.ListCount(), 31);
    EXPECT_EQ(Ticks(f.lstFileTypes), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(f.lblStatus.Caption, "");
    EXPECT_EQ(f.lblSourcePath.Caption, "/daten");
}

TEST_F(Wizard, LogoOpensTheWebSite) {
    env.ConnectHost("Microsoft Word");
    frmArdeko f;
    f.Load();
    f.imgLogo.PerformClick();
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, "https://www.example.com/");
    EXPECT_FALSE(env.shell.executed[0].parameters.has_value());
}

}  // namespace
}  // namespace ardeko

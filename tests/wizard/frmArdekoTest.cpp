// The wizard form: what it shows after loading, its file-type lists and tick rules, the
// remembered start folder; a whole run from its run button (protocol header and closing lines,
// the summary box, the protocol opened afterwards, stopping a run) and the protocol buttons.
#include "archive/WalkSupport.h"

namespace ardeko::testkit {
namespace {

// The file-type entries, "+" after each ticked one.
std::string Types(const frmArdeko& f) {
    std::string s;
    for (const auto& item : f.lstFileTypes.Items)
        s += (s.empty() ? "" : ", ") + item.Text + (item.Selected ? "+" : "");
    return s;
}

// What a run reads of the form: the set option buttons and check boxes, month, year, file types.
std::string Options(frmArdeko& f) {
    std::string s;
    for (ui::OptionButton* o : {&f.obCreated, &f.obEdited, &f.obAccessed, &f.obYear, &f.obYearMonth})
        s += o->Value ? o->Name() + " " : "";
    for (ui::CheckBox* c : {&f.cbSubDirs, &f.cbTest, &f.cbConfirm}) s += c->Value ? c->Name() + " " : "";
    return s + f.clMonth.Text() + " " + f.clYear.Text() + " " + Types(f);
}

using Wizard = ArchiveTest;  // connected to Word

TEST_F(Wizard, LoadSetsTheDefaultsForTheDayItOpensAndOpeningAgainStartsFromThemAndTheStartFolder) {
    env.clock.now = {2026, 12, 4, 9, 30, 0};
    env.settings.Set("OffArdeko\\Word", "Startordner", "/home/anna/Berichte");
    frmArdeko f;
    f.Load();
    EXPECT_EQ(f.Caption + "|" + f.XPForm.Caption + "|" + f.btnCancel.ToolTipText,
              " Veltrano Archivierungs-Assistent v3.00 für Word| Veltrano Archivierungs-Assistent v3.00 für Word| Zurück zu Word");
    const std::string defaults = "obEdited obYear cbSubDirs cbTest Dezember 2025 Dokumente (*.DOC*)+, Vorlagen (*.DOT*), Alle Dateien (*.*)";
    EXPECT_EQ(Options(f), defaults);
    EXPECT_EQ(f.clYear.Items.front() + "-" + f.clYear.Items.back() + " " + f.clMonth.Items[2], "2026-1996 März");
    f.obAccessed.Select();
    f.obYearMonth.Select();
    f.lstFileTypes.UserSetSelected(2, true);
    f.cbTest.Value = f.cbSubDirs.Value = false, f.cbConfirm.Value = true, f.clMonth.ListIndex = 3;
    f.lblSourcePath.Caption = f.lblStatus.Caption = "x", f.btnCancel.PerformClick();
    f.Load();  // a no-op if the close button had not unloaded the form
    EXPECT_EQ(Options(f), defaults);
    EXPECT_EQ(f.clMonth.ListCount() + f.clYear.ListCount(), 12 + 31);
    EXPECT_EQ(f.lblSourcePath.Caption + "|" + f.lblStatus.Caption, "/home/anna/Berichte|");
    // The start folder is remembered per host; a store that cannot be read leaves it empty.
    frmArdeko excel, broken;
    env.ConnectHost("Microsoft Excel");
    excel.Load();
    env.settings.failRead = true, env.ConnectHost("Microsoft Word"), broken.Load();
    EXPECT_EQ(excel.lblSourcePath.Caption + "|" + broken.lblSourcePath.Caption + "|" + Types(broken),
              "||Dokumente (*.DOC*)+, Vorlagen (*.DOT*), Alle Dateien (*.*)");
}

TEST_F(Wizard, FileTypesPerHostAndHostVersion) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Microsoft Excel", "16.0", "Excel: Arbeitsmappen (*.XLS*)+, Vorlagen (*.XLT*), Alle Dateien (*.*)"},
        {"Microsoft PowerPoint", "16.0", "PowerPoint: Präsentationen (*.PPT*)+, Pack && Go (*.PPS*), Vorlagen (*.POT*), Alle Dateien (*.*)"},
        {"Microsoft Access", "11.0", "Access: Datenbanken (*.MDB)+, Assistenten (*.MDA), Bibliotheken (*.MDE), Alle Dateien (*.*)"},
        {"Microsoft Access", "12.0", "Access: Datenbanken (*.ACCDB)+, Assistenten (*.ACCDA), Bibliotheken (*.ACCDE), Alle Dateien (*.*)"},
        {nullptr, "", "Office: Alle Dateien (*.*)+"},  // no host: any other name
    };
    for (const auto& [name, version, types] : cases) {
        if (name) env.ConnectHost(name, version);
        else Module().HostApp.reset();
        dlg.Unload();
        dlg.Load();
        EXPECT_EQ(dlg.HostAppName + ": " + Types(dlg), types);
    }
}

TEST_F(Wizard, ProtocolOfRunsWithTheirOptionsAppendedToOneFile) {
    Make({"a.doc"}, Date(2008, 3, 1));
    Make({"neu.doc"}, Date(2009, 3, 1));
    dlg.cbTest.Value = true, dlg.lstFileTypes.UserSetSelected(1, true), dlg.btnDoIt.PerformClick();
    EXPECT_EQ(Result(), "2/1/0: a.doc, neu.doc");
    EXPECT_EQ(LastBox().prompt, "\r\nTestlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert...");
    EXPECT_EQ(LastBox().flags, 64 + 1024);
    EXPECT_EQ(dlg.lblStatus.Caption + " " + dlg.btnDoIt.Caption, "Fertig... Archivieren!");
    EXPECT_TRUE(dlg.MousePointer == ui::MousePointerDefault && dlg.LastClickStartedRun());  // no longer busy

    // The other options, on a host whose version and build cannot be read.
    app->failing = {"Version", "Build"};
    dlg.obCreated.Select();
    dlg.obYearMonth.Select();
    dlg.clMonth.ListIndex = 5;
    dlg.clYear.SetText("2001");
    dlg.lstFileTypes.UserSetSelected(1, false), dlg.cbTest.Value = false, dlg.btnDoIt.PerformClick();
    const std::string dashes(75, '-');
    EXPECT_EQ(ReadFile(ArchiveProtocolPath()).substr(0, 96), "04.12.09 18:47:15 - " + dashes + "\n");
    EXPECT_EQ(Protocol(), dashes + "|Testlauf gestartet (Word 16.0 [4266])|Startordner: Daten|Archivieren bis: 12/2008|Archivieren nach: Änderungsdatum|"
                          "Archivieren in: Jahresordner|Dateien: *.DOC*|Archiviert: Daten/a.doc (01.03.2008 10:00:00)|in 'Daten/~~~ 2008'|"
                          "Archivierung von '*.DOC*' abgeschlossen...|Dateien: *.DOT*|Archivierung von '*.DOT*' abgeschlossen...|" + dashes +
                          "|Archivierung gestartet (Word ?.??.?? [0.0])|Startordner: Daten|Archivieren bis: 6/2001|Archivieren nach: Erstellungsdatum|"
                          "Archivieren in: Jahres/Monatsordner|Dateien: *.DOC*|Archivierung von '*.DOC*' abgeschlossen...");
    ASSERT_EQ(env.shell.executed.size(), 1u);  // after the test run only, not after a real run without errors
    EXPECT_EQ(env.shell.executed[0].file, ArchiveProtocolPath());
}

TEST_F(Wizard, RunIsRefusedWithoutFileTypeFirstThenWithoutStartFolder) {
    const std::tuple<bool, const char*, const char*> cases[] = {
        {false, "", "Kein Dateityp markiert..."},
        {false, "/daten", "Kein Dateityp markiert..."},
        {true, "   ", "Bitte Startordner wählen..."}};
    for (const auto& [ticked, folder, message] : cases) {
        dlg.RunState() = {5, 4, 1, true};
        dlg.lstFileTypes.Items[0].Selected = ticked, dlg.lblSourcePath.Caption = folder, dlg.btnDoIt.PerformClick();
        EXPECT_EQ(fmt::format("{}{}|{}|{} {}", LastBox().title, LastBox().prompt, LastBox().flags, Counts(), dlg.btnDoIt.Caption),
                  fmt::format("Veltrano Archivierungs-Assistent v3.00\r\n{}|{}|0/0/0 Archivieren!", message, 48 + 1024));
        EXPECT_FALSE(dlg.LastClickStartedRun());
    }
    EXPECT_EQ(env.ui.beeps, 3);
    EXPECT_FALSE(fs::exists(ArchiveProtocolPath()));
}

TEST_F(Wizard, StopDuringTheSecondOfThreeTypesEndsTheRunAfterTheFileInHand) {
    Make({"a.ppt", "b.pps", "Sub/c.pps", "c.pot"}, Date(2008, 1, 1));
    Open("Microsoft PowerPoint");
    dlg.lstFileTypes.UserSetSelected(1, true);
    dlg.lstFileTypes.UserSetSelected(2, true);
    // The user clicks "Stopp!" as the second type begins; the click arrives at the next pump.
    faulty.onAppend = [&](const std::string& line) {
        if (line.ends_with("Dateien: *.PPS*")) env.ui.Post([&] { dlg.btnDoIt.PerformClick(); });
    };
    dlg.btnDoIt.PerformClick();
    EXPECT_EQ(Result(), "2/2/0: Sub/c.pps, c.pot, ~~~ 2008/a.ppt, ~~~ 2008/b.pps");
    const std::string protocol = Protocol();
    EXPECT_EQ(protocol.substr(protocol.find("|Dateien: *.PPS*")),
              "|Dateien: *.PPS*|Archiviert: Daten/b.pps (01.01.2008 10:00:00)|in 'Daten/~~~ 2008'|! Archivierung abgebrochen...");
    EXPECT_NE(protocol.find("|Archivierung von '*.PPT*' abgeschlossen...|Dateien: *.PPS*"), std::string::npos);
    EXPECT_EQ(dlg.lblStatus.Caption + " " + dlg.btnDoIt.Caption, "Abgebrochen... Archivieren!");
    EXPECT_TRUE(LastBox().flags == 48 + 1024 && dlg.LastClickStartedRun());
}

TEST_F(Wizard, ProtocolButtons) {
    const std::string path = ArchiveProtocolPath(), box = "\r\nProtokoll (" + path + ") ";
    EXPECT_EQ(fs::path(path).filename(), "Protokoll Word-Archivierung.txt");  // one protocol per host
    dlg.btnProto.PerformClick();
    dlg.btnDelProto.PerformClick();
    ASSERT_EQ(env.ui.styledBoxes.size(), 2u);
    EXPECT_EQ(env.ui.styledBoxes[0].prompt + env.ui.styledBoxes[1].prompt, box + "nicht gefunden..." + box + "nicht gefunden...");
    EXPECT_EQ(LastBox().flags, 48 + 1024);

    WritePROTO("Zeile");
    dlg.btnProto.PerformClick();
    EXPECT_EQ(env.shell.executed.at(0).file, path);
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return 7; }, dlg.btnDelProto.PerformClick();  // "Nein"
    // A question icon; Yes and No come as German captions.
    EXPECT_EQ(LastBox().prompt + " " + std::to_string(LastBox().flags), "\r\nProtokoll wirklich löschen? " + std::to_string(32 + 1024));
    EXPECT_TRUE(fs::exists(path));
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return 6; }, dlg.btnDelProto.PerformClick();  // "Ja"
    EXPECT_FALSE(fs::exists(path));
    WritePROTO("Neu");  // the next line begins a new file
    EXPECT_EQ(Protocol(), "Neu");
    faulty.Fail(FaultyFileSystem::Op::Remove, "Protokoll");
    dlg.btnDelProto.PerformClick();
    EXPECT_EQ(LastBox().prompt, box + "konnte nicht gelöscht werden...");
    EXPECT_TRUE(fs::exists(path));
}

}  // namespace
}  // namespace ardeko::testkit

// A whole run from the wizard's run button: checks, protocol header and closing lines, the
// summary, the protocol opened afterwards, and stopping a run.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/Protocol.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/FaultyFileSystem.h"
#include "testkit/TestEnv.h"
#include "wizard/frmArdeko.h"
#include "archive/WalkSupport.h"

namespace ardeko {
namespace {

namespace fs = std::filesystem;
using testkit::Date;
using testkit::Exists;
using testkit::MakeFile;
using testkit::ProtocolLines;
using testkit::ProtocolTexts;

class Run : public ::testing::Test {
protected:
    void SetUp() override {
        root = env.dir / "Daten";
        fs::create_directories(root);
    }
    // A Word wizard on `root`, loaded; the clock says 4 December 2009, so the cut-off is 12/2008.
    std::unique_ptr<frmArdeko> Wizard(const std::string& host = "Microsoft Word") {
        app = env.ConnectHost(host);
        app->build = "4266";
        auto f = std::make_unique<frmArdeko>();
        f->Load();
        f->lblSourcePath.Caption = root;
        return f;
    }
    std::string At(const std::string& relative) const { return root + "/" + relative; }
    const platform::StyledMsgBoxRequest& LastBox() const { return env.ui.styledBoxes.back(); }

    std::unique_ptr<platform::FileSystem> real = platform::posix::MakePosixFileSystem();
    testkit::FaultyFileSystem faulty{*real};
    testkit::TestEnv env{&faulty};
    std::shared_ptr<testkit::FakeApplication> app;
    std::string root;
};

TEST_F(Run, ProtocolOfAWholeTestRun) {
    MakeFile(At("a.doc"), "a", Date(2008, 3, 1));
    MakeFile(At("neu.doc"), "n", Date(2009, 3, 1));
    auto f = Wizard();
    f->lstFileTypes.UserSetSelected(1, true);
    f->btnDoIt.PerformClick();

    const auto lines = ProtocolLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "04.12.09 18:47:15 - " + std::string(75, '-'));
    EXPECT_EQ(ProtocolTexts(), (std::vector<std::string>{
                                   std::string(75, '-'),
                                   "Testlauf gestartet (Word 16.0 [4266])",
                                   "Startordner: " + root,
                                   "Archivieren bis: 12/2008",
                                   "Archivieren nach: Änderungsdatum",
                                   "Archivieren in: Jahresordner",
                                   "Dateien: *.DOC*",
                                   "Archiviert: " + At("a.doc") + " (01.03.2008 10:00:00)",
                                   "in '" + At("~~~ 2008") + "'",
                                   "Archivierung von '*.DOC*' abgeschlossen...",
                                   "Dateien: *.DOT*",
                                   "Archivierung von '*.DOT*' abgeschlossen...",
                               }));
    EXPECT_TRUE(Exists(At("a.doc")));
    EXPECT_EQ(LastBox().prompt, "\r\nTestlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert...");
    EXPECT_EQ(LastBox().flags, 64 + 1024);
    EXPECT_EQ(LastBox().title, "Veltrano Archivierungs-Assistent v3.00");
    // A test run opens the protocol afterwards.
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, ArchiveProtocolPath());
    EXPECT_EQ(f->lblStatus.Caption, "Fertig...");
    EXPECT_EQ(f->btnDoIt.Caption, "Archivieren!");
    EXPECT_EQ(f->MousePointer, ui::MousePointerDefault);
    EXPECT_TRUE(f->LastClickStartedRun());
}

TEST_F(Run, HeaderNamesTheOtherOptionsAndAnUnreadableHost) {
    auto f = Wizard();
    app->version.reset();
    app->build.reset();
    f->obCreated.Select();
    f->obYearMonth.Select();
    f->clMonth.ListIndex = 5;
    f->clYear.SetText("2001");
    f->cbTest.Value = false;
    f->btnDoIt.PerformClick();
    f->obAccessed.Select();
    f->btnDoIt.PerformClick();

    const auto texts = ProtocolTexts();
    ASSERT_GE(texts.size(), 14u);
    EXPECT_EQ(texts[1], "Archivierung gestartet (Word ?.??.?? [0.0])");
    EXPECT_EQ(texts[3], "Archivieren bis: 6/2001");
    EXPECT_EQ(texts[4], "Archivieren nach: Erstellungsdatum");
    EXPECT_EQ(texts[5], "Archivieren in: Jahres/Monatsordner");
    // The second run was appended after the first.
    EXPECT_EQ(texts[8], std::string(75, '-'));
    EXPECT_EQ(texts[12], "Archivieren nach: Zugriffsdatum");
}

TEST_F(Run, NothingFoundSaysSoAndDoesNotOpenTheProtocol) {
    auto f = Wizard();
    f->btnDoIt.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nEs wurden keine zu archivierenden Dateien gefunden...");
    EXPECT_EQ(LastBox().flags, 48 + 1024);
    EXPECT_TRUE(env.shell.executed.empty());
    EXPECT_EQ(ProtocolTexts().back(), "Archivierung von '*.DOC*' abgeschlossen...");
}

TEST_F(Run, RealRunWithoutErrorsDoesNotOpenTheProtocol) {
    MakeFile(At("a.doc"), "a", Date(2008, 3, 1));
    MakeFile(At("Sub/b.doc"), "b", Date(2007, 3, 1));
    MakeFile(At("c.doc"), "c", Date(2009, 3, 1));
    auto f = Wizard();
    f->cbTest.Value = false;
    f->btnDoIt.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nArchivierung abgeschlossen - 3 Datei(en) geprüft, 2 Datei(en) archiviert...");
    EXPECT_EQ(LastBox().flags, 64 + 1024);
    EXPECT_TRUE(env.shell.executed.empty());
    EXPECT_TRUE(Exists(At("Sub/~~~ 2007/b.doc")));
    EXPECT_EQ(f->RunState().ArchivedCount, 2);
}

TEST_F(Run, ErrorsAreSummedUpWithTheStopSignAndOpenTheProtocol) {
    for (int i = 0; i < 10; ++i)
        MakeFile(At("d" + std::to_string(i) + ".doc"), "x", i < 7 ? Date(2008, 1, 1) : Date(2009, 6, 1));
    faulty.Fail(testkit::FaultyFileSystem::Op::Copy, "d1.doc");
    faulty.Fail(testkit::FaultyFileSystem::Op::Remove, At("d2.doc"));
    auto f = Wizard();
    f->cbTest.Value = false;
    f->btnDoIt.PerformClick();
    EXPECT_EQ(LastBox().prompt,
              "\r\nArchivierung abgeschlossen - 10 Datei(en) geprüft, 5 Datei(en) archiviert.\r\n\r\nDabei sind 2 "
              "Fehler aufgetreten - bitte prüfen Sie das Protokoll...");
    EXPECT_EQ(LastBox().flags, 16 + 1024);
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, ArchiveProtocolPath());
}

TEST_F(Run, RefusedRunWritesNothingAndKeepsTheButton) {
    auto f = Wizard();
    f->RunState().CheckedCount = 5;
    f->RunState().ArchivedCount = 4;
    f->lstFileTypes.Items[0].Selected = false;
    f->lblSourcePath.Caption = "";
    f->btnDoIt.PerformClick();
    ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
    EXPECT_EQ(LastBox().prompt, "\r\nKein Dateityp markiert...");
    EXPECT_EQ(f->RunState().CheckedCount, 0);
    EXPECT_EQ(f->RunState().ArchivedCount, 0);
    EXPECT_FALSE(f->LastClickStartedRun());

    f->lstFileTypes.Items[0].Selected = true;
    f->lblSourcePath.Caption = "   ";
    f->btnDoIt.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nBitte Startordner wählen...");
    EXPECT_EQ(LastBox().flags, 48 + 1024);
    EXPECT_EQ(f->btnDoIt.Caption, "Archivieren!");
    EXPECT_FALSE(Exists(ArchiveProtocolPath()));
    EXPECT_FALSE(f->LastClickStartedRun());
}

TEST_F(Run, StopDuringTheSecondOfThreeTypesEndsTheRunAfterTheFileInHand) {
    MakeFile(At("a.ppt"), "a", Date(2008, 1, 1));
    MakeFile(At("b1.pps"), "b", Date(2008, 1, 1));
    MakeFile(At("b2.pps"), "b", Date(2008, 1, 1));
    MakeFile(At("c.pot"), "c", Date(2008, 1, 1));
    auto f = Wizard("Microsoft PowerPoint");
    f->cbTest.Value = false;
    f->lstFileTypes.UserSetSelected(1, true);
    f->lstFileTypes.UserSetSelected(2, true);
    // The user clicks "Stopp!" as the second type begins; the click arrives at the next pump.
    faulty.onAppend = [&](const std::string& line) {
        if (line.find("Dateien: *.PPS*") != std::string::npos) env.ui.Post([&] { f->btnDoIt.PerformClick(); });
    };
    f->btnDoIt.PerformClick();

    const auto texts = ProtocolTexts();
    auto has = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
    EXPECT_TRUE(has("Archivierung von '*.PPT*' abgeschlossen..."));
    EXPECT_TRUE(has("Dateien: *.PPS*"));
    EXPECT_FALSE(has("Archivierung von '*.PPS*' abgeschlossen..."));
    EXPECT_FALSE(has("Dateien: *.POT*"));
    EXPECT_EQ(texts.back(), "! Archivierung abgebrochen...");
    EXPECT_EQ(f->RunState().CheckedCount, 2);
    EXPECT_EQ(f->RunState().ArchivedCount, 2);
    EXPECT_TRUE(Exists(At("c.pot")));
    EXPECT_EQ(f->lblStatus.Caption, "Abgebrochen...");
    EXPECT_EQ(f->btnDoIt.Caption, "Archivieren!");
    EXPECT_EQ(LastBox().prompt, "\r\nArchivierung abgebrochen - 2 Datei(en) geprüft, 2 Datei(en) archiviert...");
    EXPECT_EQ(LastBox().flags, 48 + 1024);
    EXPECT_TRUE(f->RunState().CancelRequested);
    EXPECT_TRUE(f->LastClickStartedRun());
}

TEST_F(Run, ClosingTheWizardDuringARunStopsIt) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    MakeFile(At("b.doc"), "b", Date(2008, 1, 1));
    auto f = Wizard();
    f->cbTest.Value = false;
    faulty.onAppend = [&](const std::string& line) {
        if (line.find("Dateien: *.DOC*") != std::string::npos) env.ui.Post([&] { f->btnCancel.PerformClick(); });
    };
    f->btnDoIt.PerformClick();
    EXPECT_TRUE(f->RunState().CancelRequested);
    EXPECT_EQ(f->RunState().CheckedCount, 1);
    EXPECT_FALSE(f->Loaded());
}

TEST_F(Run, EachHostHasItsOwnProtocol) {
    auto word = Wizard("Microsoft Word");
    word->btnDoIt.PerformClick();
    const std::string wordProtocol = ArchiveProtocolPath();
    auto excel = Wizard("Microsoft Excel");
    excel->btnDoIt.PerformClick();
    const std::string excelProtocol = ArchiveProtocolPath();
    EXPECT_NE(wordProtocol, excelProtocol);
    EXPECT_EQ(fs::path(excelProtocol).filename(), "Protokoll Excel-Archivierung.txt");
    EXPECT_EQ(ProtocolTexts()[1], "Testlauf gestartet (Excel 16.0 [4266])");
    EXPECT_EQ(testkit::ReadFile(wordProtocol).find("Excel"), std::string::npos);
}

TEST_F(Run, ProtocolButtons) {
    auto f = Wizard();
    const std::string path = ArchiveProtocolPath();
    f->btnProto.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nProtokoll (" + path + ") nicht gefunden...");
    EXPECT_EQ(LastBox().flags, 48 + 1024);
    EXPECT_EQ(env.ui.beeps, 1);
    f->btnDelProto.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nProtokoll (" + path + ") nicht gefunden...");

    WritePROTO("Zeile");
    f->btnProto.PerformClick();
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, path);

    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return 7; };  // "Nein"
    f->btnDelProto.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nProtokoll wirklich löschen?");
    EXPECT_EQ(LastBox().flags, 1056);  // Yes/No with question icon, German captions
    EXPECT_TRUE(Exists(path));

    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return 6; };  // "Ja"
    f->btnDelProto.PerformClick();
    EXPECT_FALSE(Exists(path));

    // The next line begins a new file.
    WritePROTO("Neu");
    EXPECT_EQ(ProtocolTexts(), std::vector<std::string>{"Neu"});

    faulty.Fail(testkit::FaultyFileSystem::Op::Remove, "Protokoll");
    f->btnDelProto.PerformClick();
    EXPECT_EQ(LastBox().prompt, "\r\nProtokoll (" + path + ") konnte nicht gelöscht werden...");
    EXPECT_TRUE(Exists(path));
}

}  // namespace
}  // namespace ardeko

// The command line driven in-process: arguments fill the wizard, answers come through a pipe,
// and the outcome shows in the exit status, the files on disk and the protocol.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "AppsTestUtil.h"
#include "Cli.h"
#include "TerminalUi.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/FaultyFileSystem.h"
#include "testkit/TestEnv.h"

namespace ardeko::cli {
namespace {

namespace fs = std::filesystem;
using clitest::Contains;
using clitest::MakeFile;
using clitest::ProtocolTexts;
using clitest::ReadAll;

// The fake clock stands at 4 December 2009: the year list runs from 2009 down to 1979.
class Cli {
public:
    explicit Cli(platform::FileSystem* fileSystem = nullptr) : env(fileSystem) {
        fs::create_directories(Tree());
    }

    int Run(const std::vector<std::string>& args, const std::string& answers = "") {
        clitest::PipedInput in(answers);
        out.str("");
        err.str("");
        TerminalIo io;
        io.inFd = in.fd();
        io.out = &out;
        io.err = &err;
        TerminalUi ui(io);
        return RunArdeko(args, ui, out, err);
    }

    std::string Tree() const { return env.dir / "Ablage"; }
    std::string In(const std::string& rel) const { return Tree() + "/" + rel; }
    std::string ProtocolPath(const std::string& host = "Word") const {
        return env.dir / ("AppData/Veltrano/" + host + " Archivierungs-Assistent/Protokoll " + host +
                          "-Archivierung.txt");
    }
    std::vector<std::string> Protocol(const std::string& host = "Word") const {
        return ProtocolTexts(ProtocolPath(host));
    }
    // The "Dateien: " lines: which list entries the run walked, in order.
    std::vector<std::string> WalkedPatterns(const std::string& host = "Word") const {
        std::vector<std::string> patterns;
        for (const auto& line : Protocol(host))
            if (line.rfind("Dateien: ", 0) == 0) patterns.push_back(line.substr(9));
        return patterns;
    }

    testkit::TestEnv env;
    std::ostringstream out, err;
};

TEST(CliUsage, BadArgumentsExitWithTwoAndWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "Aufruf:"},
        {{"archive", "--until", "6/2008"}, "Der Startordner fehlt."},
        {{"archive", "@"}, "Die Angabe --until M/JJJJ fehlt"},
        {{"archive", "@", "--until", "13/2008"}, "Ungültige Angabe --until '13/2008'"},
        {{"archive", "@", "--until", "0/2008"}, "Ungültige Angabe --until '0/2008'"},
        {{"archive", "@", "--until", "6-2008"}, "Ungültige Angabe --until '6-2008'"},
        {{"archive", "@", "--until", "6/08"}, "Ungültige Angabe --until '6/08'"},
        {{"archive", "@", "--until", "Juni"}, "Ungültige Angabe --until 'Juni'"},
        {{"archive", "@", "--until", "6/1978"}, "Das Jahr 1978 ist nicht wählbar: erlaubt sind 1979 bis 2009."},
        {{"archive", "@", "--until", "6/2010"}, "Das Jahr 2010 ist nicht wählbar"},
        {{"archive", "@", "--until", "6/2008", "--date", "heute"}, "Ungültige Angabe --date 'heute'"},
        {{"archive", "@", "--until", "6/2008", "--folders", "tag"}, "Ungültige Angabe --folders 'tag'"},
        {{"archive", "@", "--until", "6/2008", "--schnell"}, "Aufruf fehlerhaft"},
        {{"archive", "@", "--until"}, "Aufruf fehlerhaft"},
        {{"archive", "/gibt/es/nicht", "--until", "6/2008"}, "Startordner nicht gefunden: /gibt/es/nicht"},
        {{"archive", "@", "--until", "6/2008", "--host", "Word", "--type", "*.txt"}, "Unbekannter Dateityp '*.txt'"},
        {{"protocol"}, "Die Aktion fehlt"},
        {{"protocol", "drucken"}, "Unbekannte Aktion 'drucken'"},
        {{"kopieren"}, "Aufruf fehlerhaft"},
    };
    for (auto& c : cases) {
        Cli cli;
        MakeFile(cli.In("alt.doc"), 2005, 3, 10);
        for (auto& a : c.args)
            if (a == "@") a = cli.Tree();
        EXPECT_EQ(cli.Run(c.args), ExitUsage) << c.message;
        EXPECT_NE(cli.err.str().find(c.message), std::string::npos) << cli.err.str();
        EXPECT_FALSE(fs::exists(cli.ProtocolPath())) << c.message;
        EXPECT_FALSE(fs::exists(cli.ProtocolPath("Office"))) << c.message;
        EXPECT_TRUE(fs::exists(cli.In("alt.doc")));
    }
}

TEST(CliUsage, UnknownTypeListsTheHostsEntries) {
    Cli cli;
    EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--host", "PowerPoint", "--type", "*.DOC*"}),
              ExitUsage);
    const std::string err = cli.err.str();
    for (const char* entry : {"Präsentationen (*.PPT*)", "Pack && Go (*.PPS*)", "Vorlagen (*.POT*)",
                              "Alle Dateien (*.*)", "*.PPS*"})
        EXPECT_NE(err.find(entry), std::string::npos) << entry << "\n" << err;
    EXPECT_NE(err.find("Die Liste für PowerPoint enthält:"), std::string::npos) << err;
}

TEST(CliUsage, HelpForEachCommandInGerman) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h"}, {"archive", "--help"}, {"protocol", "--help"}}) {
        Cli cli;
        EXPECT_EQ(cli.Run(args), ExitOk);
        EXPECT_NE(cli.out.str().find("Aufruf"), std::string::npos);
        EXPECT_EQ(cli.err.str(), "");
    }
    Cli cli;
    cli.Run({"archive", "--help"});
    for (const char* term : {"Testlauf", "Einzeln bestätigen", "Unterordner", "Abbrechen", "Stopp!"})
        EXPECT_NE(cli.out.str().find(term), std::string::npos) << term;
}

TEST(CliTypes, TickOrderFollowsTheListRules) {
    struct Case {
        std::vector<std::string> types;
        std::vector<std::string> walked;
    } cases[] = {
        {{}, {"*.DOC*"}},
        {{"*.dot*"}, {"*.DOT*"}},
        {{"*.DOT*", "*.DOC*"}, {"*.DOC*", "*.DOT*"}},  // list order, not argument order
        {{"*.DOC*", "*.*"}, {"*.*"}},                  // all files clears the others
        {{"*.*", "*.DOT*"}, {"*.DOT*"}},               // a specific type clears all files
        {{"*.*"}, {"*.*"}},
        {{"*.DOT*", "*.DOT*"}, {"*.DOT*"}},
    };
    for (const auto& c : cases) {
        Cli cli;
        std::vector<std::string> args{"archive", cli.Tree(), "--until", "6/2008", "--host", "Word"};
        for (const auto& t : c.types) args.insert(args.end(), {"--type", t});
        EXPECT_EQ(cli.Run(args), ExitOk);
        EXPECT_EQ(cli.WalkedPatterns(), c.walked) << ::testing::PrintToString(c.types);
    }
}

TEST(CliArchive, OptionsReachTheRun) {
    Cli cli;
    fs::create_directories(cli.In("Projekte"));
    MakeFile(cli.In("Bericht.doc"), 2008, 6, 3);
    MakeFile(cli.In("Juli.doc"), 2008, 7, 1);
    MakeFile(cli.In("Projekte/Alt.doc"), 2001, 1, 15);
    EXPECT_EQ(cli.Run({"archive", cli.Tree() + "/", "--until", "6/2008", "--folders", "month", "--date", "accessed",
                       "--no-subfolders", "--run", "--host", "Word"}),
              ExitOk);
    EXPECT_TRUE(fs::exists(cli.In("~~~ 2008/~~~ 06 Juni/Bericht.doc")));
    EXPECT_FALSE(fs::exists(cli.In("Bericht.doc")));
    EXPECT_TRUE(fs::exists(cli.In("Juli.doc")));
    EXPECT_TRUE(fs::exists(cli.In("Projekte/Alt.doc")));  // subfolders left out
    const auto protocol = cli.Protocol();
    for (const std::string& line : std::vector<std::string>{
             "Archivierung gestartet (Word 16.0 [0.0])", "Startordner: " + cli.Tree(), "Archivieren bis: 6/2008",
             "Archivieren nach: Zugriffsdatum", "Archivieren in: Jahres/Monatsordner"})
        EXPECT_TRUE(Contains(protocol, line)) << line;
    EXPECT_NE(cli.out.str().find("Archivierung abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert..."),
              std::string::npos)
        << cli.out.str();
    // A real run without errors does not show the protocol.
    EXPECT_TRUE(cli.env.shell.executed.empty());
}

TEST(CliArchive, TestRunIsTheDefaultAndShowsSummaryAndProtocol) {
    Cli cli;
    fs::create_directories(cli.In("Unter"));
    MakeFile(cli.In("Unter/Alt.doc"), 2005, 3, 10);
    EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "12/2008", "--host", "Word"}), ExitOk);
    EXPECT_TRUE(fs::exists(cli.In("Unter/Alt.doc")));
    EXPECT_FALSE(fs::exists(cli.In("Unter/~~~ 2005")));
    const auto protocol = cli.Protocol();
    EXPECT_TRUE(Contains(protocol, "Testlauf gestartet (Word 16.0 [0.0])"));
    EXPECT_TRUE(Contains(protocol, "Archivieren nach: Änderungsdatum"));
    EXPECT_TRUE(Contains(protocol, "Archivieren in: Jahresordner"));
    EXPECT_EQ(cli.out.str(),
              "*** Veltrano Archivierungs-Assistent v3.00 ***\n"
              "Testlauf abgeschlossen - 1 Datei(en) geprüft, 1 Datei(en) archiviert...\n");
    ASSERT_EQ(cli.env.shell.executed.size(), 1u);
    EXPECT_EQ(cli.env.shell.executed[0].file, cli.ProtocolPath());
}

TEST(CliArchive, DateOptionNamesTheDateInTheHeader) {
    const std::pair<const char*, const char*> cases[] = {
        {"created", "Erstellungsdatum"}, {"modified", "Änderungsdatum"}, {"ACCESSED", "Zugriffsdatum"}};
    for (const auto& [option, name] : cases) {
        Cli cli;
        EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--date", option}), ExitOk);
        EXPECT_TRUE(Contains(cli.Protocol("Office"), std::string("Archivieren nach: ") + name)) << option;
    }
}

TEST(CliArchive, HostChoosesTheProtocolFile) {
    for (const char* host : {"Excel", "Office"}) {
        Cli cli;
        std::vector<std::string> args{"archive", cli.Tree(), "--until", "6/2008"};
        if (std::string(host) != "Office") args.insert(args.end(), {"--host", host});
        EXPECT_EQ(cli.Run(args), ExitOk);
        EXPECT_TRUE(fs::exists(cli.ProtocolPath(host))) << host;
        EXPECT_NE(cli.out.str().find("Es wurden keine zu archivierenden Dateien gefunden..."), std::string::npos);
    }
}

TEST(CliArchive, RefusedRunExitsWithTwo) {
    Cli cli;
    EXPECT_EQ(cli.Run({"archive", "", "--until", "6/2008"}), ExitUsage);
    EXPECT_NE(cli.out.str().find("Bitte Startordner wählen..."), std::string::npos);
    EXPECT_FALSE(fs::exists(cli.ProtocolPath("Office")));
}

TEST(CliAnswers, ConfirmationFromAPipe) {
    struct Case {
        std::string answers;
        int exit;
        int archived;  // of the two due files
    } cases[] = {
        {"j\nj\n", ExitOk, 2},       {"ja\nnein\n", ExitOk, 1}, {"n\nn\n", ExitOk, 0},
        {"a\n", ExitStopped, 0},     {"abbrechen\n", ExitStopped, 0},
        {"", ExitStopped, 0},        // end of input: Abbrechen
        {"j\n", ExitStopped, 1},     // input runs out at the second file
    };
    for (const auto& c : cases) {
        Cli cli;
        MakeFile(cli.In("a.doc"), 2005, 3, 10);
        MakeFile(cli.In("b.doc"), 2006, 4, 11);
        EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--confirm", "--run", "--host", "Word"}, c.answers),
                  c.exit)
            << c.answers;
        const int left = static_cast<int>(fs::exists(cli.In("a.doc"))) + static_cast<int>(fs::exists(cli.In("b.doc")));
        EXPECT_EQ(2 - left, c.archived) << c.answers;
        EXPECT_EQ(Contains(cli.Protocol(), "! Archivierung abgebrochen..."), c.exit == ExitStopped) << c.answers;
    }
}

TEST(CliAnswers, ExistingTargetIsNeverOverwrittenUnasked) {
    struct Case {
        std::string answers;
        int exit;
        bool replaced;
    } cases[] = {
        {"", ExitStopped, false},  // end of input: Abbrechen
        {"n\n", ExitOk, false},
        {"a\n", ExitStopped, false},
        {"j\n", ExitOk, true},
    };
    for (const auto& c : cases) {
        Cli cli;
        fs::create_directories(cli.In("~~~ 2005"));
        MakeFile(cli.In("~~~ 2005/a.doc"), 2005, 1, 1, "alt");
        MakeFile(cli.In("a.doc"), 2005, 3, 10, "neu");
        EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--run", "--host", "Word"}, c.answers), c.exit)
            << c.answers;
        EXPECT_EQ(ReadAll(cli.In("~~~ 2005/a.doc")), c.replaced ? "neu" : "alt") << c.answers << cli.out.str() << ReadAll(cli.ProtocolPath());
        EXPECT_EQ(fs::exists(cli.In("a.doc")), !c.replaced) << c.answers;
    }
}

TEST(CliAnswers, DontAskAgainMarkCoversTheRestOfTheRun) {
    Cli cli;
    fs::create_directories(cli.In("~~~ 2005"));
    for (const char* name : {"a.doc", "b.doc", "c.doc"}) {
        MakeFile(cli.In(std::string("~~~ 2005/") + name), 2005, 1, 1, "alt");
        MakeFile(cli.In(name), 2005, 3, 10, "neu");
    }
    // One answer for three existing targets.
    EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--run", "--host", "Word"}, "j!\n"), ExitOk);
    for (const char* name : {"a.doc", "b.doc", "c.doc"})
        EXPECT_EQ(ReadAll(cli.In(std::string("~~~ 2005/") + name)), "neu") << name;
    const auto protocol = cli.Protocol();
    EXPECT_TRUE(Contains(protocol, "! Sicherheitsabfrage vor Überschreiben ausgeschaltet..."));
    const std::string out = cli.out.str();
    EXPECT_EQ(out.find("Überschreiben?"), out.rfind("Überschreiben?"));  // asked once
}

TEST(CliExit, ErrorsCountedGiveOne) {
    auto real = platform::posix::MakePosixFileSystem();
    testkit::FaultyFileSystem faulty(*real);
    Cli cli(&faulty);
    MakeFile(cli.In("a.doc"), 2005, 3, 10);
    faulty.Fail(testkit::FaultyFileSystem::Op::Copy, "a.doc");
    EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--run", "--host", "Word"}), ExitErrors);
    EXPECT_TRUE(fs::exists(cli.In("a.doc")));
    EXPECT_NE(cli.out.str().find("Dabei sind 1 Fehler aufgetreten"), std::string::npos) << cli.out.str();
    // A run with errors shows the protocol.
    EXPECT_EQ(cli.env.shell.executed.size(), 1u);
}

TEST(CliExit, InterruptStopsTheRunWithThree) {
    Cli cli;
    MakeFile(cli.In("a.doc"), 2005, 3, 10);
    MakeFile(cli.In("b.doc"), 2005, 3, 10);
    gInterruptRequested = true;  // as if Ctrl+C came before the first file
    EXPECT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--run", "--host", "Word"}), ExitStopped);
    EXPECT_FALSE(gInterruptRequested);
    EXPECT_TRUE(Contains(cli.Protocol(), "! Archivierung abgebrochen..."));
    // The run pumps messages before its first walk, so it stops before touching a file.
    EXPECT_TRUE(fs::exists(cli.In("a.doc")));
    EXPECT_TRUE(fs::exists(cli.In("b.doc")));
    EXPECT_NE(cli.out.str().find("Es wurden keine zu archivierenden Dateien gefunden..."), std::string::npos);
}

TEST(CliProtocol, PathShowAndDelete) {
    Cli cli;
    EXPECT_EQ(cli.Run({"protocol", "path", "--host", "Word"}), ExitOk);
    EXPECT_EQ(cli.out.str(), cli.ProtocolPath() + "\n");

    // Missing: the message names the full path.
    EXPECT_EQ(cli.Run({"protocol", "show", "--host", "Word"}), ExitErrors);
    EXPECT_NE(cli.out.str().find("Protokoll (" + cli.ProtocolPath() + ") nicht gefunden..."), std::string::npos);
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, "j\n"), ExitErrors);
    EXPECT_NE(cli.out.str().find("nicht gefunden..."), std::string::npos);

    ASSERT_EQ(cli.Run({"archive", cli.Tree(), "--until", "6/2008", "--host", "Word"}), ExitOk);
    const std::string before = ReadAll(cli.ProtocolPath());
    ASSERT_FALSE(before.empty());

    EXPECT_EQ(cli.Run({"protocol", "show", "--host", "Word"}), ExitOk);
    ASSERT_EQ(cli.env.shell.executed.size(), 1u);
    EXPECT_EQ(cli.env.shell.executed[0].file, cli.ProtocolPath());

    // No, and the end of input, keep the file.
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, "n\n"), ExitErrors);
    EXPECT_NE(cli.out.str().find("Protokoll wirklich löschen?"), std::string::npos);
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, ""), ExitErrors);
    EXPECT_EQ(ReadAll(cli.ProtocolPath()), before);
    // Another host's protocol is another file.
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Excel"}, "j\n"), ExitErrors);
    EXPECT_TRUE(fs::exists(cli.ProtocolPath()));

    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, "ja\n"), ExitOk);
    EXPECT_FALSE(fs::exists(cli.ProtocolPath()));
}

}  // namespace
}  // namespace ardeko::cli

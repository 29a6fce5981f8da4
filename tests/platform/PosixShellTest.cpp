#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "PosixTestUtil.h"
#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko;
using namespace ardeko::posixtest;
using namespace ardeko::platform;

namespace {

// Splits the NUL-separated record the test opener writes.
std::vector<std::string> Args(const std::string& record) {
    std::vector<std::string> args;
    std::string current;
    for (char c : record) {
        if (c == '\0') {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    return args;
}

class PosixShellTest : public ::testing::Test {
protected:
    PosixShellTest() {
        WriteScript("opener.sh", "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$ARDEKO_TEST_OUT.tmp\"; pwd > \"$ARDEKO_TEST_OUT.pwd\"\n"
                                 "mv \"$ARDEKO_TEST_OUT.tmp\" \"$ARDEKO_TEST_OUT\"\n");
    }

    void WriteScript(const std::string& name, const std::string& body) {
        WriteFile(dir / name, "#!/bin/sh\n" + body);
        chmod((dir / name).c_str(), 0755);
    }

    // What the opener received, once it has written it (a started program runs on its own).
    std::optional<std::vector<std::string>> Received(int waitMs = 3000) {
        for (int waited = 0; waited < waitMs; waited += 10) {
            if (Exists(out)) return Args(ReadFile(out));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }

    TempHome home;
    testkit::TempDir dir;
    std::string out = dir / "received";
    ScopedEnv outEnv{"ARDEKO_TEST_OUT", out};
    ScopedEnv opener{"ARDEKO_OPENER", dir / "opener.sh"};
    std::unique_ptr<Shell> shell = posix::MakePosixShell();
};

TEST_F(PosixShellTest, MissingDocumentStartsNothing) {
    auto r = shell->ShellExecute({dir / "fehlt.txt"});
    EXPECT_LT(r.instApp, 32);
    EXPECT_EQ(r.process, 0);
    EXPECT_LT(shell->ShellExecute({""}).instApp, 32);
    EXPECT_FALSE(Received(300));
}

TEST_F(PosixShellTest, DocumentOrAddressReachesTheOpenerAsOneArgument) {
    const std::string odd = dir / "Mein \"Bericht\" 2008 $HOME 'x'.txt";
    WriteFile(odd, "x");
    const std::string targets[] = {
        odd,
        "https://www.example.org/suche?q=a b&x=\"y\"",
        "mailto:info@example.org",
    };
    for (const auto& target : targets) {
        std::filesystem::remove(out);
        auto r = shell->ShellExecute({target});
        EXPECT_GE(r.instApp, 32) << target;
        EXPECT_NE(r.process, 0) << target;
        auto got = Received();
        ASSERT_TRUE(got) << target;
        EXPECT_EQ(*got, std::vector<std::string>{target});
        shell->CloseProcess(r.process);
    }
}

TEST_F(PosixShellTest, RelativeDocumentIsLookedUpInTheWorkingDirectory) {
    std::filesystem::create_directory(dir / "arbeit");
    WriteFile(dir / "arbeit/a.txt", "x");
    auto r = shell->ShellExecute({"a.txt", std::nullopt, dir / "arbeit"});
    EXPECT_GE(r.instApp, 32);
    ASSERT_TRUE(Received());
    EXPECT_EQ(ReadFile(out + ".pwd"), dir / "arbeit\n");
    EXPECT_LT(shell->ShellExecute({"a.txt", std::nullopt, dir.str()}).instApp, 32);
}

TEST_F(PosixShellTest, ProgramGetsItsParametersSplitLikeACommandLine) {
    // A working directory that does not exist here (the runner's Windows default) is no obstacle.
    auto r = shell->ShellExecute({dir / "opener.sh", "\"a b\" c  \"d \\\"e\\\"\" C:\\Pfad\\ \"\"", "C:\\Windows"});
    EXPECT_GE(r.instApp, 32);
    auto got = Received();
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, (std::vector<std::string>{"a b", "c", "d \"e\"", "C:\\Pfad\\", ""}));

    std::filesystem::remove(out);
    r = shell->ShellExecute({dir / "opener.sh", ""});  // empty parameters: no argument at all
    got = Received();
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->empty());

    EXPECT_EQ(shell->ShellExecute({dir / "gibt-es-nicht", "x"}).instApp, 2);
    EXPECT_EQ(shell->ShellExecute({"ardeko-kein-solches-programm", "x"}).instApp, 2);
}

TEST(SplitCommandLine, FollowsTheWindowsRules) {
    const struct {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"a b\tc", {"a", "b", "c"}},
        {"\"a b\"c d", {"a bc", "d"}},
        {"a\\\\b", {"a\\\\b"}},
        {"a\\\\\"b c\"", {"a\\b c"}},
        {"a\\\"b", {"a\"b"}},
        {"\"x \"\"y\"\" z\"", {"x \"y\" z"}},
        {"\"\"", {""}},
        {"\"offen", {"offen"}},
    };
    for (const auto& c : cases) EXPECT_EQ(posix::SplitCommandLine(c.line), c.args) << c.line;
}

TEST_F(PosixShellTest, OpenerThatFailsMeansFailure) {
    WriteScript("kaputt.sh", "exit 1\n");
    ScopedEnv failing("ARDEKO_OPENER", dir / "kaputt.sh");
    WriteFile(dir / "a.txt", "x");
    auto r = shell->ShellExecute({dir / "a.txt"});
    EXPECT_LT(r.instApp, 32);
    EXPECT_EQ(r.process, 0);

    ScopedEnv missing("ARDEKO_OPENER", dir / "kein-opener");
    EXPECT_LT(shell->ShellExecute({dir / "a.txt"}).instApp, 32);
    EXPECT_FALSE(shell->OpenFolderInFileManager(dir.str()));
}

TEST_F(PosixShellTest, WaitingForAStartedProgram) {
    WriteScript("langsam.sh", "exec sleep 30\n");
    ScopedEnv slow("ARDEKO_OPENER", dir / "langsam.sh");
    WriteFile(dir / "a.txt", "x");
    auto r = shell->ShellExecute({dir / "a.txt"});
    ASSERT_GE(r.instApp, 32);
    ASSERT_GT(r.process, 0);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_TIMEOUT_);
    kill(static_cast<pid_t>(r.process), SIGTERM);
    EXPECT_EQ(shell->WaitForProcess(r.process, 5000), WAIT_OBJECT_0_);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_OBJECT_0_);
    shell->CloseProcess(r.process);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_FAILED_);
    EXPECT_EQ(shell->WaitForProcess(0, 10), WAIT_FAILED_);

    // An opener that is done at once has ended when asked.
    ScopedEnv quick("ARDEKO_OPENER", dir / "opener.sh");
    r = shell->ShellExecute({dir / "a.txt"});
    ASSERT_GE(r.instApp, 32);
    EXPECT_EQ(shell->WaitForProcess(r.process, 3000), WAIT_OBJECT_0_);
    shell->CloseProcess(r.process);
}

TEST_F(PosixShellTest, FolderOpensInTheFileManager) {
    std::filesystem::create_directory(dir / "Ordner mit \"Blanks\"");
    EXPECT_TRUE(shell->OpenFolderInFileManager(dir / "Ordner mit \"Blanks\""));
    auto got = Received();
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, std::vector<std::string>{dir / "Ordner mit \"Blanks\""});
    EXPECT_FALSE(shell->OpenFolderInFileManager(""));
}

TEST_F(PosixShellTest, SpecialFoldersEnvironmentAndProgramFolder) {
    EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_), home.data());
    EXPECT_EQ(shell->SpecialFolder(CSIDL_PERSONAL_), home.home() + "/Documents");
    EXPECT_FALSE(shell->SpecialFolder(36));
    {
        ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_), home.home() + "/.local/share");
        ScopedEnv relative("XDG_DATA_HOME", "relativ/daten");  // not absolute: ignored
        EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_), home.home() + "/.local/share");
    }

    EXPECT_EQ(shell->Environ("ARDEKO_TEST_OUT"), out);
    EXPECT_EQ(shell->Environ("ARDEKO_GIBT_ES_NICHT"), "");

    {
        ScopedEnv programDir("ARDEKO_PROGRAM_DIR", "/opt/ardeko/");
        EXPECT_EQ(shell->ProgramFolder(), "/opt/ardeko");
    }
    ScopedEnv noProgramDir("ARDEKO_PROGRAM_DIR", std::nullopt);
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(shell->ProgramFolder(), self.parent_path().string());
}

}  // namespace

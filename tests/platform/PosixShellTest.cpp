#include <signal.h>

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "PosixTestUtil.h"
#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko::posixtest;
using namespace ardeko::platform;

class PosixShellTest : public ::testing::Test {
protected:
    std::string Script(const std::string& name, const std::string& body) {
        WriteFile(dir / name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(dir / name, std::filesystem::perms::owner_all);
        return dir / name;
    }
    // "started", or "failed" and the shell's error code.
    std::string Start(const ShellExecRequest& request) {
        const auto r = shell->ShellExecute(request);
        shell->CloseProcess(r.process);
        return r.instApp >= 32 && r.process != 0 ? "started" : "failed " + std::to_string(r.instApp) + (r.process ? " with a process" : "");
    }
    // What the opener received, once it has written it ("" when nothing arrives); after a start, its outcome first.
    std::string Received(const std::string& started = "") {
        for (int waited = 0; !std::filesystem::exists(out) && waited < 3000; waited += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string got = ReadFile(out);
        std::filesystem::remove(out);
        return started + got;
    }
    TempHome home;
    ardeko::testkit::TempDir dir;
    std::string out = dir / "received";
    // The test opener writes ">" and then each argument in brackets.
    ScopedEnv outEnv{"OUT", out}, opener{"ARDEKO_OPENER", Script("opener.sh", "{ printf '>'; for a; do printf '[%s]' \"$a\"; done; } >\"$OUT.tmp\"; mv \"$OUT.tmp\" \"$OUT\"")};
    std::unique_ptr<Shell> shell = posix::MakePosixShell();
};

TEST_F(PosixShellTest, DocumentAddressOrFolderReachesTheOpenerAsOneArgument) {
    const std::string name = "Mein \"Bericht\" $HOME 'x'.txt", url = "https://example.org/?q=a b&x=\"y\"";
    WriteFile(dir / name, "x");
    for (const std::string& target : {dir / name, url}) EXPECT_EQ(Received(Start({target})), "started>[" + target + "]");
    EXPECT_TRUE(shell->OpenFolderInFileManager(dir.str()));
    EXPECT_EQ(Received(), ">[" + dir.str() + "]");
    EXPECT_EQ(Start({name, std::nullopt, dir.str()}), "started");  // looked up in the working directory
    EXPECT_EQ(Start({name, std::nullopt, home.home}) + Start({dir / "fehlt.txt"}) + Start({""}), "failed 2failed 2failed 2");
    EXPECT_FALSE(shell->OpenFolderInFileManager(""));
    ScopedEnv failing("ARDEKO_OPENER", Script("kaputt.sh", "exit 1"));
    EXPECT_EQ(Start({dir / name}), "failed 31");
    ScopedEnv missing("ARDEKO_OPENER", dir / "kein-opener");
    EXPECT_EQ(Start({dir / name}), "failed 2");
    EXPECT_FALSE(shell->OpenFolderInFileManager(dir.str()));
}

TEST_F(PosixShellTest, ProgramGetsItsParametersSplitLikeACommandLine) {
    // A working directory that does not exist here (the runner's Windows default) is no obstacle.
    EXPECT_EQ(Received(Start({dir / "opener.sh", "\"a b\" c  \"\"", "C:\\Windows"})), "started>[a b][c][]");
    EXPECT_EQ(Received(Start({dir / "opener.sh", ""})), "started>");  // empty parameters: no argument at all
    EXPECT_EQ(Start({dir / "gibt-es-nicht", "x"}) + ", " + Start({"ardeko-kein-solches-programm", "x"}), "failed 2, failed 2");
    const std::pair<const char*, std::vector<std::string>> lines[] = {
        {"   ", {}}, {"a b\tc", {"a", "b", "c"}}, {"\"a b\"c", {"a bc"}}, {"a\\\\b", {"a\\\\b"}},
        {"a\\\\\"b c\"", {"a\\b c"}}, {"a\\\"b", {"a\"b"}}, {"\"x \"\"y\"\"\"", {"x \"y\""}}, {"\"offen", {"offen"}}};
    for (const auto& [line, args] : lines) EXPECT_EQ(posix::SplitCommandLine(line), args) << line;
}

TEST_F(PosixShellTest, WaitingForAStartedProgramAndSpecialFolders) {
    ScopedEnv slow("ARDEKO_OPENER", Script("langsam.sh", "exec sleep 30"));
    const auto r = shell->ShellExecute({dir / "langsam.sh"});
    ASSERT_GT(r.process, 0);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_TIMEOUT_);
    kill(static_cast<pid_t>(r.process), SIGTERM);
    EXPECT_EQ(shell->WaitForProcess(r.process, 5000), WAIT_OBJECT_0_);
    shell->CloseProcess(r.process);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_FAILED_);
    EXPECT_EQ(shell->SpecialFolder(CSIDL_PERSONAL_), home.home + "/Documents");
    EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_).value_or("") + "|" + shell->SpecialFolder(36).value_or("none"), home.data + "|none");
    ScopedEnv relative("XDG_DATA_HOME", "relativ/daten");  // not absolute: ignored
    EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_), home.home + "/.local/share");
    ScopedEnv programDir("ARDEKO_PROGRAM_DIR", "/opt/ardeko/");
    EXPECT_EQ(shell->ProgramFolder(), "/opt/ardeko");
}

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "support/ExecProg.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Handles = std::vector<platform::ProcessHandle>;

namespace {

// Records the process handles the runner hands back.
struct ClosingShell : testkit::FakeShell {
    Handles closed;
    void CloseProcess(platform::ProcessHandle p) override { closed.push_back(p); }
};

// The last launch as "file|parameters|directory|show", "-" standing for no parameters at all (not "").
std::string LastLaunch(const testkit::FakeShell& shell) {
    const auto& r = shell.executed.at(shell.executed.size() - 1);
    return fmt::format("{}|{}|{}|{}", r.file, r.parameters.value_or("-"), r.directory, r.showCommand);
}

}  // namespace

TEST(clsExecProg, PassesParasUnchangedToANamedProgramAndFailsBelowInstance32) {
    TestEnv env;
    clsExecProg runner;
    runner.ProgName("editor");
    runner.WorkDir("/tmp");
    runner.WinMode(1);
    const std::tuple<const char*, std::intptr_t, const char*, bool> cases[] = {
        {"  -n \"a b\"  ", 31, "editor|  -n \"a b\"  |/tmp|1", true},  // below 32 is a failure
        {"", 32, "editor||/tmp|1", false},                               // and each call sets it anew
    };
    for (const auto& [paras, instApp, launch, error] : cases) {
        runner.ProgParas(paras);
        env.shell.execResult = {instApp, 0};
        runner.ExecProg();
        EXPECT_EQ(LastLaunch(env.shell), launch);
        EXPECT_EQ(runner.EPError(), error) << instApp;
    }
}

TEST(clsExecProg, TellsWhetherItsProcessRunsAndReleasesEachHandleOnce) {
    ClosingShell shell;
    TestEnv env;
    platform::ports().shell = &shell;
    auto runner = std::make_unique<clsExecProg>();
    EXPECT_FALSE(runner->IsRunning());  // no process yet: no wait (the shell's would time out)
    runner->ProgParas("x");
    shell.execResult = {42, 11};
    runner->ExecProg();
    EXPECT_TRUE(runner->IsRunning());  // the wait timed out
    shell.waitResult = platform::WAIT_OBJECT_0_;
    EXPECT_FALSE(runner->IsRunning() || runner->EPError());
    shell.waitResult = platform::WAIT_FAILED_;
    EXPECT_FALSE(runner->IsRunning());
    EXPECT_TRUE(runner->EPError());
    shell.execResult = {42, 22};
    runner->ExecProg();  // the first handle goes before the second launch
    EXPECT_EQ(shell.closed, Handles{11});
    runner.reset();
    EXPECT_EQ(shell.closed, (Handles{11, 22}));
}

// The document itself is launched, without parameters, in "windir", maximized.
TEST(OpenDocument, OpensMaximizedAndReportsOnlyAFailedLaunch) {
    for (std::intptr_t instApp : {42, 2}) {
        TestEnv env;
        env.shell.execResult = {instApp, 0};
        OpenDocument("https://www.example.org");
        EXPECT_EQ(LastLaunch(env.shell), "https://www.example.org|-|/windows|3");
        EXPECT_EQ(env.ui.beeps, instApp < 32 ? 1 : 0);
        std::string shown;
        for (const auto& b : env.ui.systemBoxes) shown += b.text + "|" + b.title + "|" + std::to_string(b.flags);
        EXPECT_EQ(shown, instApp < 32 ? "Client konnte nicht gestartet werden...|!!! Problem !!!|64" : "");
    }
}

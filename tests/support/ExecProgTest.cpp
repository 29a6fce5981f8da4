#include <fmt/format.h>
#include <gtest/gtest.h>

#include "support/ExecProg.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using Handles = std::vector<platform::ProcessHandle>;

// The last launch as "file|parameters|directory|show", "-" standing for no parameters at all (not "").
static std::string LastLaunch(const testkit::FakeShell& shell) {
    const auto& r = shell.executed.at(shell.executed.size() - 1);
    return fmt::format("{}|{}|{}|{}", r.file, r.parameters.value_or("-"), r.directory, r.showCommand);
}

TEST(clsExecProg, LaunchesAsToldFailsBelowInstance32AndReleasesEachHandleOnce) {
    struct : testkit::FakeShell {
        Handles closed;
        void CloseProcess(platform::ProcessHandle p) override { closed.push_back(p); }
    } shell;
    testkit::TestEnv env;
    platform::ports().shell = &shell;
    auto runner = std::make_unique<clsExecProg>();
    EXPECT_FALSE(runner->IsRunning());  // no process yet: no wait (the shell's would time out)
    runner->ProgName("editor"); runner->WorkDir("/tmp"); runner->WinMode(1); runner->ProgParas("  -n \"a b\"  ");
    shell.execResult = {31, 11};
    runner->ExecProg();
    EXPECT_EQ(LastLaunch(shell), "editor|  -n \"a b\"  |/tmp|1");
    EXPECT_TRUE(runner->EPError());
    runner->ProgParas("");
    shell.execResult = {32, 22};
    runner->ExecProg();  // sets the error anew, and lets the first handle go before launching
    EXPECT_EQ(LastLaunch(shell), "editor||/tmp|1");
    EXPECT_EQ(shell.closed, Handles{11});
    EXPECT_TRUE(runner->IsRunning() && !runner->EPError());  // the wait timed out
    shell.waitResult = platform::WAIT_OBJECT_0_;
    EXPECT_FALSE(runner->IsRunning() || runner->EPError());
    shell.waitResult = platform::WAIT_FAILED_;
    EXPECT_FALSE(runner->IsRunning());
    EXPECT_TRUE(runner->EPError());
    runner.reset();
    EXPECT_EQ(shell.closed, (Handles{11, 22}));
}

// The document itself is launched, without parameters, in "windir", maximized.
TEST(OpenDocument, OpensMaximizedAndReportsOnlyAFailedLaunch) {
    for (std::intptr_t instApp : {42, 2}) {
        testkit::TestEnv env;
        env.shell.execResult = {instApp, 0};
        OpenDocument("https://www.example.org");
        EXPECT_EQ(LastLaunch(env.shell), "https://www.example.org|-|/windows|3");
        std::string shown = "beeps " + std::to_string(env.ui.beeps);
        for (const auto& b : env.ui.systemBoxes) shown += "|" + b.text + "|" + b.title + "|" + std::to_string(b.flags);
        EXPECT_EQ(shown, instApp < 32 ? "beeps 1|Client konnte nicht gestartet werden...|!!! Problem !!!|64" : "beeps 0");
    }
}

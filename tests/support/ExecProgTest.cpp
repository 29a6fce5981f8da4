#include <gtest/gtest.h>

#include "support/ExecProg.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::FakeShell;
using ardeko::testkit::TestEnv;

namespace {

// Counts what the runner hands back to the platform.
class CountingShell : public FakeShell {
public:
    std::vector<platform::ProcessHandle> closed;
    std::vector<platform::ProcessHandle> waited;
    void CloseProcess(platform::ProcessHandle p) override { closed.push_back(p); }
    std::uint32_t WaitForProcess(platform::ProcessHandle p, std::uint32_t ms) override {
        waited.push_back(p);
        EXPECT_EQ(ms, 10u);
        return FakeShell::WaitForProcess(p, ms);
    }
};

}  // namespace

TEST(clsExecProg, OpensParasAsTheDocumentWithoutParameters) {
    TestEnv env;
    clsExecProg runner;
    EXPECT_FALSE(runner.EPError());
    EXPECT_EQ(runner.WinMode(), 3);
    runner.ProgParas("/daten/brief.txt");
    runner.ExecProg();
    ASSERT_EQ(env.shell.executed.size(), 1u);
    const auto& r = env.shell.executed[0];
    EXPECT_EQ(r.file, "/daten/brief.txt");
    EXPECT_FALSE(r.parameters.has_value());  // nothing at all, not ""
    EXPECT_EQ(r.directory, "/windows");      // the "windir" default
    EXPECT_EQ(r.showCommand, 3);
    EXPECT_FALSE(runner.EPError());
}

TEST(clsExecProg, PassesParasUnchangedToANamedProgram) {
    TestEnv env;
    clsExecProg runner;
    runner.ProgName("editor");
    runner.ProgParas("  -n \"a b\"  ");
    runner.WorkDir("/tmp");
    runner.WinMode(1);
    runner.ExecProg();
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, "editor");
    EXPECT_EQ(env.shell.executed[0].parameters, std::optional<std::string>("  -n \"a b\"  "));
    EXPECT_EQ(env.shell.executed[0].directory, "/tmp");
    EXPECT_EQ(env.shell.executed[0].showCommand, 1);

    runner.ProgName("editor");
    runner.ProgParas("");
    runner.ExecProg();
    EXPECT_EQ(env.shell.executed[1].parameters, std::optional<std::string>(""));
}

TEST(clsExecProg, ErrorFollowsTheInstanceValueAndIsResetOnEachCall) {
    struct Case {
        std::intptr_t instApp;
        bool error;
    };
    const Case cases[] = {{2, true}, {31, true}, {32, false}, {42, false}, {0, true}};
    TestEnv env;
    clsExecProg runner;
    runner.ProgParas("x");
    for (const Case& c : cases) {
        env.shell.execResult = {c.instApp, 0};
        runner.ExecProg();
        EXPECT_EQ(runner.EPError(), c.error) << c.instApp;
    }
}

TEST(clsExecProg, IsRunningWaitsBrieflyOnTheProcess) {
    CountingShell shell;
    TestEnv env;
    platform::ports().shell = &shell;
    clsExecProg runner;
    EXPECT_FALSE(runner.IsRunning());  // no process yet: no wait at all
    EXPECT_TRUE(shell.waited.empty());

    runner.ProgParas("x");
    runner.ExecProg();
    shell.waitResult = platform::WAIT_TIMEOUT_;
    EXPECT_TRUE(runner.IsRunning());
    shell.waitResult = platform::WAIT_OBJECT_0_;
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_FALSE(runner.EPError());
    shell.waitResult = platform::WAIT_FAILED_;
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_TRUE(runner.EPError());
    EXPECT_EQ(shell.waited, (std::vector<platform::ProcessHandle>{1234, 1234, 1234}));
}

TEST(clsExecProg, ReleasesEachProcessHandleOnce) {
    CountingShell shell;
    TestEnv env;
    platform::ports().shell = &shell;
    {
        clsExecProg runner;
        runner.ProgParas("x");
        shell.execResult = {42, 11};
        runner.ExecProg();
        shell.execResult = {42, 22};
        runner.ExecProg();  // the first handle goes before the second launch
        EXPECT_EQ(shell.closed, (std::vector<platform::ProcessHandle>{11}));
        shell.execResult = {2, 0};
        runner.ExecProg();  // a failed launch leaves no handle behind
        EXPECT_EQ(shell.closed, (std::vector<platform::ProcessHandle>{11, 22}));
        EXPECT_FALSE(runner.IsRunning());
    }
    EXPECT_EQ(shell.closed, (std::vector<platform::ProcessHandle>{11, 22}));
}

TEST(OpenDocument, OpensTheTargetMaximizedAndStaysQuietOnSuccess) {
    TestEnv env;
    OpenDocument("https://www.example.org");
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, "https://www.example.org");
    EXPECT_FALSE(env.shell.executed[0].parameters.has_value());
    EXPECT_EQ(env.shell.executed[0].showCommand, 3);
    EXPECT_EQ(env.shell.executed[0].directory, "/windows");
    EXPECT_EQ(env.ui.beeps, 0);
    EXPECT_TRUE(env.ui.systemBoxes.empty());
    EXPECT_EQ(env.ui.doEventsCalls, 2);
}

TEST(OpenDocument, ReportsAFailedLaunchWithBeepAndPlainBox) {
    TestEnv env;
    env.shell.execResult = {2, 0};
    OpenDocument("/gibt/es/nicht.txt");
    EXPECT_EQ(env.ui.beeps, 1);
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text, "Client konnte nicht gestartet werden...");
    EXPECT_EQ(env.ui.systemBoxes[0].title, "!!! Problem !!!");
    EXPECT_EQ(env.ui.systemBoxes[0].flags, 64);
    EXPECT_TRUE(env.ui.styledBoxes.empty());
    EXPECT_EQ(env.ui.doEventsCalls, 2);
}

TEST(OpenDocument, NeverThrowsEvenWithoutAShell) {
    TestEnv env;
    platform::ports().shell = nullptr;
    EXPECT_NO_THROW(OpenDocument("x"));
    EXPECT_EQ(env.ui.beeps, 1);  // the launch failed, which is reported as usual
}

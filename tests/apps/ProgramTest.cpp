// The built `ardeko` program as a user starts it: its own process, a temporary home for
// settings and protocol, answers on standard input, Ctrl+C as a real signal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "AppsTestUtil.h"
#include "testkit/TempDir.h"

extern char** environ;

namespace ardeko::cli {
namespace {

namespace fs = std::filesystem;
using clitest::MakeFile;
using clitest::ProtocolTexts;
using clitest::ReadAll;

std::string ProgramPath() {
    if (const char* dir = std::getenv("ARDEKO_BUILD_DIR"); dir && *dir) return std::string(dir) + "/apps/ardeko/ardeko";
    // Run by hand: the test program lives in <build>/tests.
    return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps/ardeko/ardeko").string();
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(ProgramPath())) GTEST_SKIP() << "program not built: " << ProgramPath();
        fs::create_directories(Tree());
        // The user's environment minus anything that would reach a desktop or a real profile.
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            const auto eq = entry.find('=');
            env_[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
        }
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "ARDEKO_OPENER"}) env_.erase(name);
        env_["XDG_CONFIG_HOME"] = home_ / "config";
        env_["XDG_DATA_HOME"] = home_ / "data";
        env_["HOME"] = home_.str();
    }

    std::string Tree() const { return home_ / "Ablage"; }
    std::string In(const std::string& rel) const { return Tree() + "/" + rel; }
    std::string ProtocolPath(const std::string& host) const {
        return home_ / ("data/Veltrano/" + host + " Archivierungs-Assistent/Protokoll " + host + "-Archivierung.txt");
    }

    // Starts the program; standard input is `inFd` (or /dev/null), output goes to files.
    pid_t Start(const std::vector<std::string>& args, int inFd = -1) {
        std::vector<std::string> argStore{ProgramPath()};
        argStore.insert(argStore.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argStore) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStore;
        for (const auto& [k, v] : env_) envStore.push_back(k + "=" + v);
        std::vector<char*> envp;
        for (auto& e : envStore) envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (inFd >= 0) posix_spawn_file_actions_adddup2(&actions, inFd, 0);
        else posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, (home_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (home_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, argStore[0].c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error("posix_spawn failed");
        return pid;
    }

    static int Wait(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int Run(const std::vector<std::string>& args, const std::string& answers = "") {
        clitest::PipedInput in(answers);
        return Wait(Start(args, in.fd()));
    }

    std::string Out() const { return ReadAll(home_ / "stdout"); }
    std::string Err() const { return ReadAll(home_ / "stderr"); }

    testkit::TempDir home_;
    std::map<std::string, std::string> env_;
};

TEST_F(Program, TestRunPrintsSummaryAndProtocolOnAPlainTerminal) {
    MakeFile(In("Bericht.doc"), 2008, 6, 3);
    MakeFile(In("Neu.doc"), 2030, 1, 1);
    EXPECT_EQ(Run({"archive", Tree(), "--until", "6/2008", "--host", "Word"}), 0) << Err();
    const std::string out = Out();
    EXPECT_NE(out.find("Testlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert..."), std::string::npos)
        << out;
    EXPECT_NE(out.find("--- " + ProtocolPath("Word") + " ---"), std::string::npos) << out;
    EXPECT_NE(out.find("Archiviert: " + In("Bericht.doc")), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(In("Bericht.doc")));

    // With an opener the protocol goes to it and is not printed.
    env_["ARDEKO_OPENER"] = "true";
    EXPECT_EQ(Run({"archive", Tree(), "--until", "6/2008", "--host", "Word"}), 0);
    EXPECT_EQ(Out().find("--- "), std::string::npos) << Out();
}

TEST_F(Program, RealRunWithAnswersFromAPipe) {
    MakeFile(In("Bericht.doc"), 2008, 6, 3);
    EXPECT_EQ(Run({"archive", Tree(), "--until", "6/2008", "--folders", "month", "--confirm", "--run", "--host", "Word"},
                  "j\n"),
              0)
        << Err();
    EXPECT_TRUE(fs::exists(In("~~~ 2008/~~~ 06 Juni/Bericht.doc")));
    EXPECT_NE(Out().find("[j]a / [n]ein / [a]bbrechen: j"), std::string::npos) << Out();
    EXPECT_NE(Out().find("Archivierung abgeschlossen - 1 Datei(en) geprüft, 1 Datei(en) archiviert..."),
              std::string::npos);
}

TEST_F(Program, UsageErrorGoesToStandardError) {
    EXPECT_EQ(Run({"archive", Tree(), "--until", "2008"}), 2);
    EXPECT_NE(Err().find("Ungültige Angabe --until '2008'"), std::string::npos) << Err();
    EXPECT_EQ(Out(), "");
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(Out().find("ardeko archive ORDNER --until M/JJJJ"), std::string::npos);
}

TEST_F(Program, LanguageSettingGivesEnglishProductTexts) {
    fs::create_directories(home_ / "config/Veltrano");
    std::ofstream(home_ / "config/Veltrano/settings.ini") << "[OffArdeko]\nCurrLang=1\n";
    EXPECT_EQ(Run({"archive", Tree(), "--until", "6/2008"}), 0);
    EXPECT_NE(Out().find("*** Veltrano Archiving Wizard v3.00 ***"), std::string::npos) << Out();
}

TEST_F(Program, CtrlCDuringAQuestionStopsTheRun) {
    MakeFile(In("Bericht.doc"), 2008, 6, 3);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = Start({"archive", Tree(), "--until", "6/2008", "--confirm", "--run", "--host", "Word"}, fds[0]);
    ::close(fds[0]);
    // The question stays open: the pipe is held, nothing is written to it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Out().find("[j]a / [n]ein / [a]bbrechen") == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(pid, SIGINT);
    const int code = Wait(pid);
    ::close(fds[1]);
    EXPECT_EQ(code, 3) << Out() << Err();
    EXPECT_TRUE(fs::exists(In("Bericht.doc")));
    const auto protocol = ProtocolTexts(ProtocolPath("Word"));
    ASSERT_FALSE(protocol.empty());
    EXPECT_EQ(protocol.back(), "! Archivierung abgebrochen...");
}

}  // namespace
}  // namespace ardeko::cli

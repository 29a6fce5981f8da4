// The manual and the man page as a user gets them: installed with `cmake --install`, found by
// "Hilfe" for every host and language, and the man page rendered by man(1).
#include <array>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testkit/TempDir.h"

namespace fs = std::filesystem;
using ardeko::testkit::ReadFile;

namespace {

struct Result {
    std::string output;
    int status = -1;
};

// Runs a shell command line; its standard output (and whatever it redirects there).
Result RunShell(const std::string& command) {
    Result r;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Clicks "Hilfe" for every host and language with the probe at `probe`, with empty settings and
// no registry record, so that only the search beside the program can find a manual. Returns the
// probe's lines (title, tab, notice) and fills `opened` with what reached the opener.
std::vector<std::string> ClickHelp(const ardeko::testkit::TempDir& scratch, const std::string& probe,
                                   const std::string& programDir, std::vector<std::string>& opened) {
    const std::string opener = scratch / "opener.sh", record = scratch / "opened.txt";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> " << Quote(record) << "\n";
    fs::permissions(opener, fs::perms::owner_all);
    const std::string env = "env -u ARDEKO_PROGRAM_DIR -u DISPLAY -u WAYLAND_DISPLAY " +
                            (programDir.empty() ? std::string() : "ARDEKO_PROGRAM_DIR=" + Quote(programDir) + " ") +
                            "ARDEKO_OPENER=" + Quote(opener) + " XDG_CONFIG_HOME=" + Quote(scratch / "config") +
                            " XDG_DATA_HOME=" + Quote(scratch / "data") +
                            " ARDEKO_MACHINE_REGISTRY=" + Quote(scratch / "keine.reg") + " ";
    const Result r = RunShell(env + Quote(probe));
    EXPECT_EQ(r.status, 0);
    opened = Lines(ReadFile(record));
    return Lines(r.output);
}

// Every click opened the manual named after its title in `folder`; none fell back to the notice.
void ExpectEveryManualOpened(const std::vector<std::string>& clicks, const std::vector<std::string>& opened,
                             const fs::path& folder) {
    ASSERT_EQ(clicks.size(), 14u);  // seven host names, two languages
    ASSERT_EQ(opened.size(), clicks.size());
    std::set<std::string> titles;
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        const auto tab = clicks[i].find('\t');
        ASSERT_NE(tab, std::string::npos) << clicks[i];
        const std::string title = clicks[i].substr(0, tab);
        EXPECT_EQ(clicks[i].substr(tab + 1), "") << title;
        EXPECT_EQ(opened[i], (folder / (title + ".html")).string());
        titles.insert(title);
    }
    EXPECT_EQ(titles.size(), clicks.size());
}

const std::string kBuild = std::getenv("ARDEKO_BUILD_DIR") ? std::getenv("ARDEKO_BUILD_DIR") : "";

TEST(ManualTest, InstalledProgramsOpenTheManualForEveryHostAndLanguage) {
    ardeko::testkit::TempDir prefix, scratch;
    ASSERT_FALSE(kBuild.empty());
    const Result install = RunShell(Quote(ARDEKO_CMAKE) + " --install " + Quote(kBuild) + " --prefix " +
                               Quote(prefix.str()) + " 2>&1");
    ASSERT_EQ(install.status, 0) << install.output;
    EXPECT_TRUE(fs::is_regular_file(prefix / "bin/ardeko"));
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/man/man1/ardeko.1"));

    // The probe stands where the installed programs stand, so it looks where they look.
    const fs::path probe = prefix.path() / "bin" / "help-probe";
    fs::copy_file(ARDEKO_HELP_PROBE, probe);
    std::vector<std::string> opened;
    const auto clicks = ClickHelp(scratch, probe.string(), "", opened);
    ExpectEveryManualOpened(clicks, opened, prefix.path() / "share/ardeko");

    // Each installed manual is one file: nothing it shows is fetched from elsewhere.
    const std::regex external(R"((src|href)\s*=\s*"(?!data:|#|https?:|mailto:)|<link\b|url\()");
    int manuals = 0;
    for (const auto& entry : fs::directory_iterator(prefix.path() / "share/ardeko")) {
        if (entry.path().extension() != ".html") continue;
        ++manuals;
        const std::string page = ReadFile(entry.path());
        EXPECT_NE(page.find("<title>" + entry.path().stem().string() + "</title>"), std::string::npos)
            << entry.path();
        EXPECT_FALSE(std::regex_search(page, external)) << entry.path();
    }
    EXPECT_EQ(manuals, 14);
}

TEST(ManualTest, BuildTreeHasTheManualBesideTheProgram) {
    ardeko::testkit::TempDir scratch;
    std::vector<std::string> opened;
    const auto clicks = ClickHelp(scratch, ARDEKO_HELP_PROBE, ARDEKO_PROGRAM_BUILD_DIR, opened);
    ExpectEveryManualOpened(clicks, opened, ARDEKO_PROGRAM_BUILD_DIR);
}

const std::string kMan = "LC_ALL=C.UTF-8 MANWIDTH=80 MAN_KEEP_FORMATTING= man ";

TEST(ManPageTest, RendersWithoutWarnings) {
    const Result r = RunShell(kMan + "--warnings -l " + Quote(ARDEKO_MAN_PAGE) + " 2>&1 >/dev/null");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "");
}

TEST(ManPageTest, NamesEveryOptionTheCommandLineKnows) {
    const Result page = RunShell(kMan + "-l " + Quote(ARDEKO_MAN_PAGE) + " 2>/dev/null");
    ASSERT_EQ(page.status, 0);
    const std::regex option(R"(--[a-z][a-z-]*[a-z])");
    std::set<std::string> options;
    for (const char* command : {"", "archive ", "protocol ", "undo ", "restore "}) {
        const Result help = RunShell(Quote(ARDEKO_PROGRAM) + " " + command + "--help 2>&1");
        ASSERT_EQ(help.status, 0) << command;
        for (std::sregex_iterator it(help.output.begin(), help.output.end(), option), end; it != end; ++it)
            options.insert(it->str());
    }
    EXPECT_GE(options.size(), 9u);  // the help texts were read at all
    for (const std::string& o : options) EXPECT_NE(page.output.find(o), std::string::npos) << o;
}

}  // namespace

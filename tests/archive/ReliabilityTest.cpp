// Failures of the file system during a walk: nothing a user had is ever lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "archive/FileWalk.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/FaultyFileSystem.h"
#include "testkit/TestEnv.h"
#include "WalkSupport.h"

namespace ardeko {
namespace {

namespace fs = std::filesystem;
using Op = testkit::FaultyFileSystem::Op;
using testkit::Date;
using testkit::Exists;
using testkit::MakeFile;
using testkit::ProtocolTexts;
using testkit::ReadFile;

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        env.ConnectHost("Microsoft Word");
        root = env.dir / "Daten";
        fs::create_directories(root);
    }
    void Run(const std::string& pattern = "*.doc") { ProcessFiles(dlg, root, pattern, 12, 2008); }
    std::string At(const std::string& relative) const { return root + "/" + relative; }

    std::unique_ptr<platform::FileSystem> real = platform::posix::MakePosixFileSystem();
    testkit::FaultyFileSystem faulty{*real};
    testkit::TestEnv env{&faulty};
    testkit::FakeDialog dlg;
    testkit::DialogAnswers answers{env.ui};
    std::string root;
};

TEST_F(Faults, FailedCopyKeepsTheSourceAndIsOneErrorWithThreeLines) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    faulty.Fail(Op::Copy, "a.doc");
    Run();
    EXPECT_EQ(ReadFile(At("a.doc")), "a");
    EXPECT_FALSE(Exists(At("~~~ 2008/a.doc")));
    EXPECT_EQ(dlg.state.ErrorCount, 1);
    EXPECT_EQ(dlg.state.ArchivedCount, 0);
    EXPECT_EQ(ProtocolTexts(), (std::vector<std::string>{
                                   "! Problem beim Verschieben von '" + At("a.doc") + "'",
                                   "! nach '" + At("~~~ 2008/a.doc") + "'",
                                   "! Zugriff verweigert (simuliert)",
                               }));
}

TEST_F(Faults, FailedDeletionLeavesBothCopiesAndIsOneErrorWithTwoLines) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    faulty.Fail(Op::Remove, At("a.doc"));
    Run();
    EXPECT_EQ(ReadFile(At("a.doc")), "a");
    EXPECT_EQ(ReadFile(At("~~~ 2008/a.doc")), "a");
    EXPECT_EQ(dlg.state.ErrorCount, 1);
    EXPECT_EQ(dlg.state.ArchivedCount, 0);
    EXPECT_EQ(ProtocolTexts(), (std::vector<std::string>{
                                   "! Problem beim Löschen von '" + At("a.doc") + "'",
                                   "! Zugriff verweigert (simuliert)",
                               }));
}

TEST_F(Faults, FileOrFolderVanishingBetweenListingAndUseIsPassedOver) {
    MakeFile(At("weg.doc"), "w", Date(2008, 1, 1));
    MakeFile(At("da.doc"), "d", Date(2008, 1, 1));
    MakeFile(At("Sub/x.doc"), "x", Date(2008, 1, 1));
    MakeFile(At("Bleibt/y.doc"), "y", Date(2008, 1, 1));
    int subSeen = 0;
    faulty.onListed = [&](const std::string& folder, const platform::DirEntry& e) {
        if (e.name == "weg.doc") fs::remove(folder + e.name);
        // The second sighting is the subfolder listing: the folder goes before it is walked.
        if (e.name == "Sub" && ++subSeen == 2) fs::remove_all(folder + e.name);
    };
    Run();
    EXPECT_EQ(dlg.state.CheckedCount, 3);
    EXPECT_EQ(dlg.state.ArchivedCount, 2);
    EXPECT_EQ(dlg.state.ErrorCount, 0);
    EXPECT_TRUE(Exists(At("~~~ 2008/da.doc")));
    EXPECT_TRUE(Exists(At("Bleibt/~~~ 2008/y.doc")));
}

TEST_F(Faults, UnreadableTimesAndFoldersAreSkipped) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    MakeFile(At("b.doc"), "b", Date(2008, 1, 1));
    MakeFile(At("Gesperrt/c.doc"), "c", Date(2008, 1, 1));
    faulty.Fail(Op::FileTime, "a.doc");
    faulty.Fail(Op::OpenSearch, "Gesperrt");
    Run();
    EXPECT_EQ(dlg.state.CheckedCount, 2);
    EXPECT_EQ(dlg.state.ArchivedCount, 1);
    EXPECT_TRUE(Exists(At("a.doc")));
    EXPECT_TRUE(Exists(At("Gesperrt/c.doc")));
}

TEST_F(Faults, AnUnwritableProtocolDoesNotStopTheWalk) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    MakeFile(At("Sub/b.doc"), "b", Date(2008, 1, 1));
    faulty.Fail(Op::AppendLine, "");
    Run();
    EXPECT_EQ(dlg.state.ArchivedCount, 2);
    EXPECT_TRUE(Exists(At("Sub/~~~ 2008/b.doc")));
    EXPECT_FALSE(Exists(ArchiveProtocolPath()));
}

TEST_F(Faults, ProtocolFolderRemovedDuringTheRunIsMadeAgain) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    MakeFile(At("Sub/b.doc"), "b", Date(2008, 1, 1));
    const std::string dataFolder = fs::path(ArchiveProtocolPath()).parent_path().string();
    faulty.onListed = [&](const std::string&, const platform::DirEntry& e) {
        if (e.name == "b.doc") fs::remove_all(dataFolder);
    };
    Run();
    EXPECT_EQ(dlg.state.ArchivedCount, 2);
    const auto texts = ProtocolTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Archiviert: " + At("Sub/b.doc") + " (01.01.2008 10:00:00)");
}

// Real failures of this machine's file system; they need root.
class RealFailures : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root";
        env.ConnectHost("Microsoft Word");
        root = env.dir / "Daten";
        fs::create_directories(root);
    }
    void TearDown() override {
        for (const auto& path : immutable) std::system(("chattr -i '" + path + "' 2>/dev/null").c_str());
        for (const auto& path : mounts) std::system(("umount '" + path + "' 2>/dev/null").c_str());
    }
    std::string At(const std::string& relative) const { return root + "/" + relative; }

    testkit::TestEnv env;
    testkit::FakeDialog dlg;
    std::string root;
    std::vector<std::string> immutable, mounts;
};

TEST_F(RealFailures, FullTargetFileSystemLeavesSourceAndNoPartialTarget) {
    const std::string target = At("~~~ 2008");
    fs::create_directories(target);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + target + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    mounts.push_back(target);
    const std::string big(512 * 1024, 'x');
    MakeFile(At("gross.doc"), big, Date(2008, 1, 1));

    ProcessFiles(dlg, root, "*.doc", 12, 2008);

    EXPECT_EQ(ReadFile(At("gross.doc")), big);
    EXPECT_TRUE(fs::is_empty(target)) << "partial or temporary file left behind";
    EXPECT_EQ(dlg.state.ErrorCount, 1);
    const auto texts = ProtocolTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "! Problem beim Verschieben von '" + At("gross.doc") + "'");
    EXPECT_GT(texts[2].size(), 2u);
}

TEST_F(RealFailures, ImmutableSourceFolderGivesDeletionFailureWithBothCopies) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    fs::create_directories(At("~~~ 2008"));
    if (std::system(("chattr +i '" + root + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr not possible here";
    immutable.push_back(root);

    ProcessFiles(dlg, root, "*.doc", 12, 2008);

    EXPECT_EQ(ReadFile(At("a.doc")), "a");
    EXPECT_EQ(ReadFile(At("~~~ 2008/a.doc")), "a");
    EXPECT_EQ(dlg.state.ErrorCount, 1);
    EXPECT_EQ(dlg.state.ArchivedCount, 0);
    const auto texts = ProtocolTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "! Problem beim Löschen von '" + At("a.doc") + "'");
}

// Random trees, options, answers and faults: every content that existed before exists after,
// at its place or in an archive folder of its own folder; an archived copy that was there
// before is only replaced when the user agreed.
TEST_F(Faults, RandomRunsNeverLoseAFile) {
    const std::vector<std::string> names = {"a.doc", "b.DOC", "c.docx", "d.txt", "Ä b.doc", "e"};
    const std::vector<std::string> patterns = {"*.*", "*.doc", "*.DOC*", "*.txt"};
    int totalFiles = 0;
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        fs::remove_all(root);
        fs::remove(ArchiveProtocolPath());
        faulty.ClearFaults();

        // The tree: folders up to three levels, files with colliding names, earlier archives.
        std::map<std::string, std::string> sources;   // path -> content
        std::map<std::string, std::string> archived;  // path -> content
        std::vector<std::string> folders = {root};
        for (int i = 0; i < 5; ++i) folders.push_back(folders[static_cast<std::size_t>(pick(static_cast<int>(folders.size())))] + "/Ordner" + std::to_string(i));
        for (const auto& folder : folders) {
            fs::create_directories(folder);
            for (const auto& name : names) {
                if (pick(4) == 0) continue;
                const auto when = Date(2006 + pick(5), 1 + pick(12), 1 + pick(28));
                const std::string content = folder + "|" + name + "|" + std::to_string(rng());
                MakeFile(folder + "/" + name, content, when);
                sources[folder + "/" + name] = content;
                if (pick(3) == 0) {
                    const std::string old = folder + "/~~~ " + std::to_string(when.year) + "/" + name;
                    MakeFile(old, "alt|" + content, Date(2000, 1, 1));
                    archived[old] = "alt|" + content;
                }
            }
        }
        totalFiles += static_cast<int>(sources.size() + archived.size());

        dlg = testkit::FakeDialog{};
        dlg.scheme = FolderScheme::Year;  // earlier archives lie in year folders
        dlg.testRun = pick(5) == 0;
        dlg.confirmEach = pick(4) == 0;
        dlg.includeSubfolders = pick(6) != 0;
        dlg.dateBasis = pick(2) ? DateBasis::LastModified : DateBasis::LastAccessed;
        answers.queue.clear();
        answers.shown.clear();
        answers.fallbackButton = 2;
        for (int i = 0; i < 200; ++i) {
            const int r = pick(20);  // mostly "Ja", now and then "Nein", rarely "Abbrechen"
            answers.queue.push_back({r < 13 ? 1 : r < 19 ? 2 : 3, pick(6) == 0});
        }
        for (int f = 0, n = 1 + pick(3); f < n; ++f) {
            // Not the attribute read: the existence test is what decides about replacing, and a
            // port that reports an existing file as missing breaks its contract.
            const Op ops[] = {Op::Copy, Op::Remove, Op::FileTime, Op::AppendLine, Op::CreateDirectory, Op::OpenSearch};
            faulty.Fail(ops[pick(6)], pick(2) ? "" : names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))], pick(6));
        }
        std::vector<std::string> lines;
        faulty.onAppend = [&](const std::string& line) { lines.push_back(line.substr(20)); };

        for (int p = 0, n = 1 + pick(2); p < n && !dlg.state.CancelRequested; ++p)
            ProcessFiles(dlg, root, patterns[static_cast<std::size_t>(pick(4))], static_cast<std::int16_t>(1 + pick(12)),
                         static_cast<std::int16_t>(2008 + pick(3)));

        // Every source content is at its place or in an archive folder of its folder.
        for (const auto& [path, content] : sources) {
            if (Exists(path) && ReadFile(path) == content) continue;
            const fs::path p(path);
            bool found = false;
            for (const auto& e : fs::recursive_directory_iterator(p.parent_path())) {
                const std::string rel = fs::relative(e.path(), p.parent_path()).string();
                if (rel.rfind("~~~ ", 0) == 0 && e.path().filename() == p.filename() && ReadFile(e.path().string()) == content) {
                    found = true;
                    break;
                }
            }
            EXPECT_TRUE(found) << "lost " << path;
        }
        // An earlier archived copy is replaced only after the user agreed: "Ja" to its own
        // question, or no question for it after the user ticked "don't ask again".
        std::size_t tickedAt = lines.size();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == "! Sicherheitsabfrage vor Überschreiben ausgeschaltet...") {
                tickedAt = i;
                break;
            }
        bool ticked = false;
        for (const auto& q : answers.shown) ticked = ticked || (q.checkBoxShown && q.given.dontAskAgain);
        for (const auto& [path, content] : archived) {
            if (Exists(path) && ReadFile(path) == content) continue;
            const std::string question = "Zieldatei '" + path + "' ist bereits vorhanden. Überschreiben?";
            bool asked = false, agreed = false;
            for (const auto& q : answers.shown) {
                if (q.prompt != question) continue;
                asked = true;
                agreed = agreed || q.given.button == 1;
            }
            if (!asked && ticked) {
                const auto notice = std::find(lines.begin(), lines.end(), "! Zieldatei '" + path + "' ist bereits vorhanden...");
                agreed = notice != lines.end() && static_cast<std::size_t>(notice - lines.begin()) > tickedAt;
            }
            EXPECT_TRUE(agreed) << "replaced without agreement: " << path;
        }
        // No temporary or partial file anywhere.
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            const std::string name = e.path().filename().string();
            EXPECT_FALSE(name.front() == '.') << e.path();
        }
        EXPECT_LE(dlg.state.ArchivedCount, dlg.state.CheckedCount);
    }
    EXPECT_GT(totalFiles, 200);
}

}  // namespace
}  // namespace ardeko

#pragma once
// What the engine and run tests share: files with chosen dates, the tree and the protocol read
// back, and a loaded wizard over a faulty file system with scripted answers to its questions.
#include <fmt/format.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <set>

#include "archive/FileWalk.h"
#include "archive/Protocol.h"
#include "msgbox/frmMsgBoxEx.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/FaultyFileSystem.h"
#include "testkit/TestEnv.h"
#include "wizard/frmArdeko.h"

namespace ardeko::testkit {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using platform::LocalDateTime;

// Counts and dates read the same whatever the test machine's locale.
inline const bool kUtf8Environment = setenv("LC_ALL", "C.UTF-8", 1) == 0;

inline LocalDateTime Date(int y, int mo, int d, int h = 10, int mi = 0, int s = 0) { return {y, mo, d, h, mi, s}; }

// Every file and link below `folder` (links not followed), relative, sorted, joined by ", ".
inline std::string Tree(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_symlink() || !e.is_directory()) names.insert(e.path().lexically_relative(folder).string());
    return fmt::format("{}", fmt::join(names, ", "));
}

// The wizard form as the dialog a walk runs in, keeping every status text it is given.
struct RecordingWizard : frmArdeko {
    Lines status;
    std::function<void(const std::string&)> onStatus;
    void SetStatus(const std::string& text) override {
        frmArdeko::SetStatus(text), status.push_back(text);
        if (onStatus) onStatus(text);
    }
};

// The real file system behind a faulty one, an empty folder "Daten", and a wizard loaded for
// Word (build 4266) on it, set to a real run. The clock says 4 December 2009.
class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.ui.onModalByName["frmMsgBoxEx"] = [this](ui::Form& form) {
            auto* box = dynamic_cast<ui::CheckBox*>(form.FindControl("cbDontShow"));
            asked.push_back({dynamic_cast<ui::Label&>(*form.FindControl("lblPrompt")).Caption, box && box->Visible, 0,
                             dynamic_cast<frmMsgBoxEx&>(form).DefaultButton});
            ASSERT_FALSE(answers.empty()) << "unexpected question: " << asked.back().prompt;
            asked.back().answer = answers.front(), answers.pop_front();
            if (box) box->Value = asked.back().answer >= 256;
            form.FindControl("btn" + std::to_string(asked.back().answer % 256))->PerformClick();
        };
        Open("Microsoft Word");
    }
    void Open(const std::string& host) {
        fs::create_directories(root), dlg.Unload(), app = env.ConnectHost(host), dlg.Load();  // build 4266
        dlg.lblSourcePath.Caption = root, dlg.cbTest.Value = false;
    }
    void Walk(const std::string& pattern = "*.doc", std::int16_t mo = 12, std::int16_t y = 2008) { ProcessFiles(dlg, root, pattern, mo, y); }
    std::string At(const std::string& relative) const { return root + "/" + relative; }
    // Files below the start folder, their content their own name.
    void Make(const Lines& relatives, const LocalDateTime& when) { for (const auto& r : relatives) MakeFile(At(r), r, when); }
    std::string Counts() {  // checked/archived/errors
        return fmt::format("{}/{}/{}", dlg.RunState().CheckedCount, dlg.RunState().ArchivedCount, dlg.RunState().ErrorCount);
    }
    std::string Result() { return Counts() + ": " + Tree(root); }
    // The protocol lines without their time stamps ("dd.mm.yy hh:mm:ss - "), joined by "|", with the
    // scratch folder left out of paths: ".../Daten/a.doc" reads "Daten/a.doc".
    std::string Protocol() const {
        const std::string text = ReadFile(ArchiveProtocolPath()), scratch = env.dir / "";
        std::string all;
        for (std::size_t at = 0, end = 0; at < text.size(); at = end + 1) {
            end = std::min(text.find('\n', at), text.size());
            const std::size_t cr = end > at && text[end - 1] == '\r' ? 1 : 0;  // CR LF on Windows
            all += (all.empty() ? "" : "|") + text.substr(at + 20, end - at - 20 - cr);
        }
        for (auto at = all.find(scratch); at != std::string::npos; at = all.find(scratch, at))
            all.erase(at, scratch.size());
        return all;
    }
    const platform::StyledMsgBoxRequest& LastBox() const { return env.ui.styledBoxes.back(); }

    std::unique_ptr<platform::FileSystem> real = platform::posix::MakePosixFileSystem();
    FaultyFileSystem faulty{*real};
    TestEnv env{&faulty};
    std::string root = env.dir / "Daten";
    std::shared_ptr<FakeOfficeHost> app;
    RecordingWizard dlg;
    // Answers to the message dialog frmMsgBoxEx, taken in turn: the button (1 to 3), plus 256 when
    // "don't ask again" is to be ticked; and the questions asked. A question without an answer
    // left fails the test.
    std::deque<int> answers;
    struct Question { std::string prompt; bool checkBoxShown; int answer; int defaultButton; };
    std::vector<Question> asked;
};

}  // namespace ardeko::testkit

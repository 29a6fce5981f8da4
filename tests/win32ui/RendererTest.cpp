// The Windows renderer driven the way a user drives it: clicks, keys and the close box sent to
// its real windows as window messages, with the run, the tick rules and the message dialogs
// going through the forms' own logic and the real Windows ports (under Wine in CI).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "addin/modArdeko.h"
#include "archive/Protocol.h"
#include "msgbox/MsgBox.h"
#include "msgbox/frmMsgBoxEx.h"
#include "platform/Ports.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"
#include "support/Identity.h"
#include "support/Module.h"
#include "testkit/FakeOfficeHost.h"
#include "ui/Form.h"
#include "ui/win32/Win32Ui.h"
#include "wizard/frmArdeko.h"
#include "win32/ScratchFolder.h"

namespace ardeko {
namespace {

using ui::win32::Win32Ui;
using win32::Utf8;
using win32::Wide;

Win32Ui* gUi = nullptr;
// A tree big enough that a real run is still going when a script stops or closes it.
constexpr int kFiles = 1500;

// The real shell of the machine, except that documents and folders are only noted: a test
// must not open an editor or a file manager.
class RecordingShell : public platform::Shell {
public:
    explicit RecordingShell(platform::Shell& real) : real_(real) {}
    std::vector<std::string> opened;

    std::optional<std::string> SpecialFolder(int csidl) override { return real_.SpecialFolder(csidl); }
    platform::ShellExecResult ShellExecute(const platform::ShellExecRequest& r) override {
        opened.push_back(r.file);
        return {42, 0};
    }
    std::uint32_t WaitForProcess(platform::ProcessHandle, std::uint32_t) override { return 0; }
    void CloseProcess(platform::ProcessHandle) override {}
    bool OpenFolderInFileManager(const std::string& folder) override {
        opened.push_back(folder);
        return true;
    }
    std::string Environ(const std::string& name) override { return real_.Environ(name); }
    std::string ProgramFolder() override { return real_.ProgramFolder(); }

private:
    platform::Shell& real_;
};

RecordingShell* gShell = nullptr;

// --- driving real windows ------------------------------------------------------------------

// Steps that run one after the other from a thread timer, so inside whatever modal loop is
// up at the time; a step returns false to be asked again at the next tick. Steps only post
// messages, as the user's input arrives, so that no handler runs inside the timer itself.
class Script {
public:
    using Step = std::function<bool()>;
    Script& Then(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    void Start() {
        current_ = this;
        since_ = std::chrono::steady_clock::now();
        timer_ = SetTimer(nullptr, 0, 5, &Script::Tick);
    }
    bool Done() const { return steps_.empty(); }
    ~Script() {
        if (timer_) KillTimer(nullptr, timer_);
        if (current_ == this) current_ = nullptr;
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        Script* s = current_;
        if (!s || s->busy_) return;
        const auto now = std::chrono::steady_clock::now();
        if (!s->steps_.empty()) {
            s->busy_ = true;
            if (s->steps_.front()()) {
                s->steps_.pop_front();
                ++s->done_;
                s->since_ = now;
            }
            s->busy_ = false;
        }
        // A window that never comes, or one that the script should have closed and did not,
        // would leave a modal loop that nobody ends.
        if (now - s->since_ > std::chrono::seconds(30)) {
            if (s->steps_.empty())
                ADD_FAILURE() << "the script has ended, but its dialog is still up after 30 s";
            else
                ADD_FAILURE() << "step " << s->done_ + 1 << " of the script still waits after 30 s";
            std::fflush(nullptr);
            ExitProcess(1);
        }
    }
    static inline Script* current_ = nullptr;
    std::deque<Step> steps_;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
    int done_ = 0;
    std::chrono::steady_clock::time_point since_;
};

// The innermost shown window of this class: visible and not disabled by a modal one above it.
struct WindowSearch {
    const wchar_t* cls;
    HWND found = nullptr;
};
BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (std::wstring(name) == s->cls && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) s->found = hwnd;
    return s->found ? FALSE : TRUE;
}
HWND Shown(const wchar_t* cls) {
    WindowSearch search{cls};
    EnumThreadWindows(GetCurrentThreadId(), &VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The shown form whose model is of this type, with its window up.
template <class F>
F* ShownForm() {
    auto* form = dynamic_cast<F*>(ui::Form::ActiveForm());
    if (!form) return nullptr;
    HWND w = gUi->WindowOf(*form);
    return w && IsWindowVisible(w) && IsWindowEnabled(w) ? form : nullptr;
}

HWND Ctl(const char* name) {
    ui::Form* form = ui::Form::ActiveForm();
    HWND w = form ? gUi->ControlWindow(*form, name) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::string Text(HWND w) {
    wchar_t buffer[2048] = {};
    GetWindowTextW(w, buffer, 2048);
    return Utf8(buffer);
}
std::string Text(const char* name) { return Text(Ctl(name)); }

void Click(HWND w) { PostMessageW(w, BM_CLICK, 0, 0); }
void Click(const char* name) { Click(Ctl(name)); }
void Key(HWND w, WPARAM key) { PostMessageW(w, WM_KEYDOWN, key, 1); }
void CloseBox(HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }
bool Ticked(const char* name) { return SendMessageW(Ctl(name), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A click on a list entry, where the user clicks it.
void ClickEntry(HWND list, int row) {
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

// The styled message box: its prompt and its buttons' captions.
std::string BoxPrompt(HWND box) { return Text(GetDlgItem(box, 999)); }
std::string BoxButtons(HWND box) {
    std::string s;
    for (int id = 1001; HWND b = GetDlgItem(box, id); ++id) s += Text(b) + "|";
    return s;
}

// What the form's window paints a child's text in.
COLORREF TextColour(HWND form, HWND child) {
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    const COLORREF c = GetTextColor(dc);
    DeleteDC(dc);
    return c;
}

// --- files ---------------------------------------------------------------------------------

FILETIME LocalFileTime(int y, int mo, int d) {
    SYSTEMTIME local{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d), 12, 0, 0, 0}, utc{};
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME ft{};
    SystemTimeToFileTime(&utc, &ft);
    return ft;
}

// A one-byte file whose three times lie in the given year (none: now).
void MakeFile(const std::string& path, int year = 0) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, "x", 1, &written, nullptr);
    if (year) {
        const FILETIME t = LocalFileTime(year, 1, 1);
        SetFileTime(h, &t, &t, &t);
    }
    CloseHandle(h);
}

bool Exists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

class Win32Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Settings().SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner", root.str());
        gShell->opened.clear();
        Module().CurrLang = 0;
        InitProductTexts();
    }

    // Shows the wizard with `script` running inside it; the script must close it.
    void RunWizard(Script& script) {
        script.Start();
        ShowWizard();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(Shown(ui::win32::FormClassName), nullptr);
    }

    // `count` files of 2005 in 40 folders below the start folder.
    void MakeTree(int count) {
        for (int d = 0; d < 40; ++d) CreateDirectoryW(Wide(root / ("d" + std::to_string(d))).c_str(), nullptr);
        for (int i = 0; i < count; ++i) MakeFile(root / ("d" + std::to_string(i % 40) + "\\f" + std::to_string(i) + ".doc"), 2005);
    }

    // Files moved into archive folders and files left where they were.
    std::pair<int, int> MovedAndLeft() const { return Count(platform::win32::LongPath(root.str()), false); }
    static std::pair<int, int> Count(const std::wstring& folder, bool inArchive) {
        std::pair<int, int> n{0, 0};
        WIN32_FIND_DATAW d{};
        HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return n;
        do {
            const std::wstring name = d.cFileName;
            if (name == L"." || name == L"..") continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                const auto sub = Count(folder + L"\\" + name, inArchive || name.rfind(L"~~~", 0) == 0);
                n.first += sub.first;
                n.second += sub.second;
            } else {
                (inArchive ? n.first : n.second)++;
            }
        } while (FindNextFileW(h, &d));
        FindClose(h);
        return n;
    }

    static std::string Protocol() {
        std::string bytes;
        HANDLE h = CreateFileW(Wide(ArchiveProtocolPath()).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return bytes;
        char chunk[4096];
        DWORD n = 0;
        while (ReadFile(h, chunk, sizeof chunk, &n, nullptr) && n > 0) bytes.append(chunk, n);
        CloseHandle(h);
        return win32::FromAnsi(bytes);
    }

    ScratchFolder root;
};

TEST_F(Win32Renderer, TestRunFromTheRunButtonEndsWithTheSummaryBoxAndThenTheProtocol) {
    MakeFile(root / "a.doc", 2005);
    MakeFile(root / "neu.doc");
    std::string summary, buttons, status;
    Script script;
    script.Then([] { return ShownForm<frmArdeko>() != nullptr; })
        .Then([&] {
            HWND w = gUi->WindowOf(*ui::Form::ActiveForm());
            EXPECT_EQ(Text("lblSourcePath"), root.str());
            EXPECT_EQ(TextColour(w, Ctl("lblSourcePath")), RGB(0, 0, 255));
            EXPECT_EQ(TextColour(w, Ctl("lblStatus")), RGB(255, 0, 0));
            // The list lies inside its frame on the screen.
            RECT list{}, frame{};
            GetWindowRect(Ctl("lstFileTypes"), &list);
            GetWindowRect(Ctl("frFileTypes"), &frame);
            EXPECT_TRUE(list.left >= frame.left && list.right <= frame.right && list.top >= frame.top &&
                        list.bottom <= frame.bottom);
            EXPECT_TRUE(Ticked("cbTest"));
            Click("btnDoIt");
            return true;
        })
        .Then([&] {
            HWND box = Shown(ui::win32::StyledBoxClassName);
            if (!box) return false;
            summary = BoxPrompt(box);
            buttons = BoxButtons(box);
            Key(GetFocus(), VK_RETURN);
            return true;
        })
        .Then([&] {
            if (!ShownForm<frmArdeko>()) return false;
            status = Text("lblStatus") + " " + Text("btnDoIt");
            CloseBox(gUi->WindowOf(*ui::Form::ActiveForm()));
            return true;
        });
    RunWizard(script);
    EXPECT_EQ(summary, "Testlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert...");
    EXPECT_EQ(buttons, "OK|");
    EXPECT_EQ(status, "Fertig... Archivieren!");
    ASSERT_EQ(gShell->opened.size(), 1u);
    EXPECT_EQ(gShell->opened[0], ArchiveProtocolPath());
    EXPECT_TRUE(Exists(root / "a.doc"));  // a test run moves nothing
    EXPECT_TRUE(Exists(root / "neu.doc"));
}

TEST_F(Win32Renderer, StoppDuringARunOverALargeTreeEndsItAfterTheFileInHand) {
    MakeTree(kFiles);
    std::set<std::string> statusSeen;
    std::string summary, captionWhileRunning, statusAfter;
    Script script;
    script.Then([] { return ShownForm<frmArdeko>() != nullptr; })
        .Then([] {
            Click("cbTest");  // a real run
            return true;
        })
        .Then([] {
            if (Ticked("cbTest")) return false;
            Click("btnDoIt");
            return true;
        })
        .Then([&, this] {
            // The status line moves on screen while the run goes on.
            const std::string now = Text("lblStatus");
            if (!now.empty()) statusSeen.insert(now);
            if (statusSeen.size() < 3) return false;
            // On a busy machine the status may move before the first file has: stop only
            // once something was archived, so that "part-way" is what the checks see.
            if (MovedAndLeft().first == 0) return false;
            captionWhileRunning = Text("btnDoIt");
            Click("btnDoIt");
            return true;
        })
        .Then([&] {
            HWND box = Shown(ui::win32::StyledBoxClassName);
            if (!box) return false;
            summary = BoxPrompt(box);
            Key(GetFocus(), VK_ESCAPE);  // an OK-only box: Escape answers it too
            return true;
        })
        .Then([&] {
            if (!ShownForm<frmArdeko>()) return false;
            statusAfter = Text("lblStatus");
            Click("btnCancel");
            return true;
        });
    RunWizard(script);
    EXPECT_EQ(captionWhileRunning, "Stopp!");
    EXPECT_EQ(statusAfter, "Abgebrochen...");
    EXPECT_EQ(summary.rfind("Archivierung abgebrochen - ", 0), 0u) << summary;
    // Stopped part-way: some files moved, the rest untouched, nothing lost.
    const auto [moved, left] = MovedAndLeft();
    EXPECT_GT(moved, 0);
    EXPECT_GT(left, 0);
    EXPECT_EQ(moved + left, kFiles);
    EXPECT_NE(Protocol().find("! Archivierung abgebrochen..."), std::string::npos);
}

TEST_F(Win32Renderer, TheCloseBoxDuringARunStopsItAndClosesTheWindowOnceItHasEnded) {
    MakeTree(kFiles);
    std::string summary;
    bool closedWhileRunning = false;
    Script script;
    HWND wizard = nullptr;
    script.Then([] { return ShownForm<frmArdeko>() != nullptr; })
        .Then([&] {
            wizard = gUi->WindowOf(*ui::Form::ActiveForm());
            Click("cbTest");
            return true;
        })
        .Then([] {
            if (Ticked("cbTest")) return false;
            Click("btnDoIt");
            return true;
        })
        .Then([&] {
            // Closed before the first file has moved, the run would end as one that found
            // nothing; the close box must meet a run that is part-way. Counting the tree
            // takes longer than the timer's period, so this also shows that the run goes on
            // while a timer keeps the message queue full.
            if (Text("lblStatus").empty() || MovedAndLeft().first == 0) return false;
            CloseBox(wizard);
            return true;
        })
        .Then([&] {
            if (IsWindowVisible(wizard)) return false;
            closedWhileRunning = Text("btnDoIt") == "Stopp!";
            return true;
        })
        .Then([&] {
            HWND box = Shown(ui::win32::StyledBoxClassName);
            if (!box) return false;
            summary = BoxPrompt(box);
            Click(GetDlgItem(box, 1001));
            return true;
        });
    RunWizard(script);
    EXPECT_TRUE(closedWhileRunning);
    EXPECT_EQ(summary.rfind("Archivierung abgebrochen - ", 0), 0u) << summary;
    const auto [moved, left] = MovedAndLeft();
    EXPECT_EQ(moved + left, kFiles);
    EXPECT_GT(left, 0);
}

TEST_F(Win32Renderer, ListEntriesDropDownsAndOptionsAnswerTheUsersInputOncePerAction) {
    int userTicks = 0;
    std::vector<std::string> seen;
    int monthBefore = -1, monthAfter = -1;
    bool monthFolders = false, yearFolders = true;
    const auto ticks = [] {
        auto& list = dynamic_cast<ui::CheckListBox&>(*ui::Form::ActiveForm()->FindControl("lstFileTypes"));
        std::string s;
        for (const auto& entry : list.Items) s += entry.Selected ? '1' : '0';
        return s;
    };
    Script script;
    script.Then([] { return ShownForm<frmArdeko>() != nullptr; })
        .Then([&] {
            auto& model = dynamic_cast<ui::CheckListBox&>(*ui::Form::ActiveForm()->FindControl("lstFileTypes"));
            auto rules = model.ItemCheck;
            model.ItemCheck = [&userTicks, rules](int i) {
                ++userTicks;
                rules(i);
            };
            seen.push_back(ticks());
            return true;
        })
        ;
    // One click per entry, each tick seen on the model before the next click.
    for (int row : {2, 1, 0, 1}) {
        script.Then([row] {
            ClickEntry(Ctl("lstFileTypes"), row);
            return true;
        });
        script.Then([&] {
            if (ticks() == seen.back()) return false;
            seen.push_back(ticks());
            return true;
        });
    }
    script.Then([&] {
            HWND list = Ctl("lstFileTypes");
            SetFocus(list);
            SendMessageW(list, LB_SETCURSEL, 2, 0);
            Key(list, VK_SPACE);
            return true;
        })
        .Then([&] {
            if (ticks() == seen.back()) return false;
            seen.push_back(ticks());
            auto& month = dynamic_cast<ui::ComboList&>(*ui::Form::ActiveForm()->FindControl("clMonth"));
            monthBefore = month.ListIndex;
            SetFocus(Ctl("clMonth"));
            Key(Ctl("clMonth"), monthBefore > 0 ? VK_UP : VK_DOWN);
            Click("obYearMonth");
            return true;
        })
        .Then([&] {
            auto& month = dynamic_cast<ui::ComboList&>(*ui::Form::ActiveForm()->FindControl("clMonth"));
            auto& option = dynamic_cast<ui::OptionButton&>(*ui::Form::ActiveForm()->FindControl("obYearMonth"));
            if (month.ListIndex == monthBefore || !option.Value) return false;
            monthAfter = month.ListIndex;
            monthFolders = Ticked("obYearMonth");
            yearFolders = Ticked("obYear");
            Click("btnCancel");
            return true;
        });
    RunWizard(script);
    // Word: documents, templates, all files. All files excludes the others and back again.
    EXPECT_EQ(seen, (std::vector<std::string>{"100", "001", "010", "110", "100", "001"}));
    EXPECT_EQ(userTicks, 5);  // the rules' own changes never came back as clicks
    EXPECT_EQ(monthAfter, monthBefore > 0 ? monthBefore - 1 : 1);
    EXPECT_TRUE(monthFolders);
    EXPECT_FALSE(yearFolders);
}

TEST_F(Win32Renderer, MessageDialogAnswersEscapeEnterTheCheckBoxTheCloseBoxAndADoubleClickOnTheForm) {
    struct Case {
        const char* what;
        std::function<void(HWND)> act;
        int result;
    };
    const Case cases[] = {
        {"Escape", [](HWND) { Key(GetFocus(), VK_ESCAPE); }, 3},
        {"Enter", [](HWND) { Key(GetFocus(), VK_RETURN); }, 1},
        {"box ticked, then Enter",
         [](HWND) {
             Click("cbDontShow");
             Key(Ctl("btn1"), VK_RETURN);
         },
         257},
        {"double click on the form", [](HWND box) { PostMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4)); }, 99},
        {"second button", [](HWND) { Click("btn2"); }, 2},
        // Closed another way: the result the previous dialog left.
        {"close box", [](HWND box) { CloseBox(box); }, 2},
    };
    for (const auto& c : cases) {
        std::string title, captions;
        Script script;
        script.Then([&] {
            if (!ShownForm<frmMsgBoxEx>()) return false;
            HWND box = gUi->WindowOf(*ui::Form::ActiveForm());
            title = Text(box);
            for (const char* b : {"btn1", "btn2", "btn3", "btnHelp", "cbDontShow"})
                captions += IsWindowVisible(Ctl(b)) ? Text(b) + "|" : "";
            c.act(box);
            return true;
        });
        script.Start();
        EXPECT_EQ(MsgBoxEx("Datei ersetzen?", {"Ja", "Nein", "Abbrechen"}, true, 32, std::string("Frage & Antwort"),
                           std::nullopt, 1, 3),
                  c.result)
            << c.what;
        EXPECT_TRUE(script.Done()) << c.what;
        EXPECT_EQ(title, "Frage & Antwort") << c.what;
        EXPECT_EQ(captions, "Ja|Nein|Abbrechen|Diese Meldung nicht mehr anzeigen|") << c.what;
    }
}

TEST_F(Win32Renderer, MessageDialogHidesAnEmptyCaptionKeepsItsGapAndWidensLongCaptions) {
    RECT b1{}, b3{};
    bool middleShown = true;
    int longWidth = 0;
    Script script;
    script.Then([&] {
        if (!ShownForm<frmMsgBoxEx>()) return false;
        middleShown = IsWindowVisible(Ctl("btn2")) != FALSE;
        GetWindowRect(Ctl("btn1"), &b1);
        GetWindowRect(Ctl("btn3"), &b3);
        RECT r{};
        GetWindowRect(Ctl("btn3"), &r);
        longWidth = r.right - r.left;
        Click("btn3");
        return true;
    });
    script.Start();
    const std::string longCaption = "Alle weiteren Dateien ohne Nachfrage archivieren";
    EXPECT_EQ(MsgBoxEx("Weiter?", {"Ja", "", longCaption}, false), 3);
    EXPECT_FALSE(middleShown);
    // Two buttons' widths and gaps apart: the hidden one keeps its place.
    EXPECT_GT(b3.left - b1.right, gUi->Px(1740));
    // The long caption fits: its button is its text's width plus the margin.
    frmMsgBoxEx probe;
    probe.Load();
    EXPECT_NEAR(longWidth, gUi->Px(probe.TextWidth(longCaption) + 500), 2);
    probe.Unload();
}

TEST_F(Win32Renderer, StandardMessageBoxShowsGermanCaptionsAndAnswersKeysAndTheCloseBox) {
    struct Case {
        std::int32_t flags;
        std::function<void(HWND)> act;
        std::string buttons;
        int result;
    };
    const Case cases[] = {
        {vbYesNo | vbQuestion | vbDefaultButton2, [](HWND) { Key(GetFocus(), VK_RETURN); }, "&Ja|&Nein|", vbNo},
        {vbOKCancel, [](HWND) { Key(GetFocus(), VK_ESCAPE); }, "OK|&Abbrechen|", vbCancel},
        // Yes/No has no cancel: Escape does nothing, the answer is still the user's click.
        {vbYesNo,
         [](HWND box) {
             Key(GetFocus(), VK_ESCAPE);
             Click(GetDlgItem(box, 1001));
         },
         "&Ja|&Nein|", vbYes},
        {vbYesNoCancel, [](HWND box) { CloseBox(box); }, "&Ja|&Nein|&Abbrechen|", vbCancel},
        {vbAbortRetryIgnore, [](HWND box) { Click(GetDlgItem(box, 1003)); }, "&Abbrechen|&Wiederholen|&Ignorieren|", vbIgnore},
    };
    for (const auto& c : cases) {
        std::string buttons, prompt;
        Script script;
        script.Then([&] {
            HWND box = Shown(ui::win32::StyledBoxClassName);
            if (!box) return false;
            buttons = BoxButtons(box);
            prompt = BoxPrompt(box);
            c.act(box);
            return true;
        });
        script.Start();
        EXPECT_EQ(MsgBoxStd("Zeile 1 & mehr\r\nZeile 2", c.flags, std::string("Titel")), c.result) << c.flags;
        EXPECT_EQ(buttons, c.buttons) << c.flags;
        EXPECT_EQ(prompt, "Zeile 1 & mehr\r\nZeile 2") << c.flags;
    }
}

}  // namespace
}  // namespace ardeko

int main(int argc, char** argv) {
    using namespace ardeko;
    ::testing::InitGoogleTest(&argc, argv);
    platform::win32::InstallWin32Ports();
    RecordingShell shell(*platform::ports().shell);
    gShell = &shell;
    platform::ports().shell = &shell;
    Win32Ui ui;
    gUi = &ui;
    platform::ports().ui = &ui;
    Module().HostApp = std::make_shared<testkit::FakeOfficeHost>("Microsoft Word", "16.0");
    const int code = RUN_ALL_TESTS();
    platform::ports().ui = nullptr;
    platform::ports().shell = nullptr;
    return code;
}

// The Windows renderer driven the way a user drives it: clicks, keys and the close box sent to
// its real windows as window messages, with the run, the tick rules and the message dialogs
// going through the forms' own logic and the real Windows ports (under Wine in CI). What the
// forms decide is tested without windows; here: that input reaches them once, that windows
// show, hide and close, that a run keeps the window responsive and stops, and the dialogs' keys.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
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
#include "ui/FormCatalogue.h"
#include "ui/StandardBox.h"
#include "ui/win32/Win32Ui.h"
#include "undo/frmUndo.h"
#include "wizard/frmArdeko.h"
#include "win32/ScratchFolder.h"

namespace ardeko {
namespace {

namespace fs = std::filesystem;
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
    platform::ShellExecResult ShellExecute(const platform::ShellExecRequest& r) override { opened.push_back(r.file); return {42, 0}; }
    std::uint32_t WaitForProcess(platform::ProcessHandle, std::uint32_t) override { return 0; }
    void CloseProcess(platform::ProcessHandle) override {}
    bool OpenFolderInFileManager(const std::string& folder) override { opened.push_back(folder); return true; }
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
    Script& Then(Step step) { return steps_.push_back(std::move(step)), *this; }
    // A step that acts at once, and one that waits until `ready` before it acts.
    Script& Do(std::function<void()> act) { return When([] { return true; }, std::move(act)); }
    Script& When(std::function<bool()> ready, std::function<void()> act) {
        return Then([ready = std::move(ready), act = std::move(act)] { return ready() && (act(), true); });
    }
    Script& Start() {
        current_ = this;
        since_ = std::chrono::steady_clock::now();
        timer_ = SetTimer(nullptr, 0, 5, &Script::Tick);
        return *this;
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
            ADD_FAILURE() << s->done_ << " steps done, " << s->steps_.size() << " left; nothing moved for 30 s";
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
HWND Shown(const wchar_t* cls) {
    for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr))
        if (IsWindowVisible(w) && IsWindowEnabled(w)) return w;
    return nullptr;
}

HWND ActiveWindow() { return gUi->WindowOf(*ui::Form::ActiveForm()); }

// The shown form whose model is of this type, with its window up.
template <class F>
F* ShownForm() {
    auto* form = dynamic_cast<F*>(ui::Form::ActiveForm());
    HWND w = form ? gUi->WindowOf(*form) : nullptr;
    return w && IsWindowVisible(w) && IsWindowEnabled(w) ? form : nullptr;
}
bool WizardShown() { return ShownForm<frmArdeko>() != nullptr; }

HWND Ctl(const char* name) {
    ui::Form* form = ui::Form::ActiveForm();
    HWND w = form ? gUi->ControlWindow(*form, name) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
}
template <class C>
C& Model(const char* name) { return dynamic_cast<C&>(*ui::Form::ActiveForm()->FindControl(name)); }

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

using Answer = std::function<void(HWND box)>;
Answer Press(WPARAM key) { return [key](HWND) { Key(GetFocus(), key); }; }
Answer ClickButton(int n) { return [n](HWND) { Click(("btn" + std::to_string(n)).c_str()); }; }

// A click on a list entry, where the user clicks it.
void ClickEntry(HWND list, int row) {
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
}

// Waits for the styled message box, notes its prompt and its buttons' captions, answers it.
Script::Step AnswerBox(std::string& shown, Answer answer) {
    return [&shown, answer] {
        auto* box = ShownForm<ui::StandardBox>();
        if (!box) return false;
        shown = ui::DisplayText(Text("lblPrompt")) + " |";
        for (const auto& b : box->Buttons) shown += Text(b->Name().c_str()) + "|";
        answer(ActiveWindow());
        return true;
    };
}

// What the form's window paints a child's text in.
COLORREF TextColour(HWND form, HWND child) {
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    const COLORREF c = GetTextColor(dc);
    DeleteDC(dc);
    return c;
}

// A one-byte file whose three times lie on 1 January of the given year (none: now).
void MakeFile(const std::string& path, int year = 0) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, "x", 1, &written, nullptr);
    SYSTEMTIME local{static_cast<WORD>(year), 1, 0, 1, 12, 0, 0, 0}, utc{};
    FILETIME t{};
    if (year && TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) && SystemTimeToFileTime(&utc, &t))
        SetFileTime(h, &t, &t, &t);
    CloseHandle(h);
}

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

    // kFiles files of 2005 in 40 folders below the start folder.
    void MakeTree() {
        for (int d = 0; d < 40; ++d) CreateDirectoryW(Wide(root / ("d" + std::to_string(d))).c_str(), nullptr);
        for (int i = 0; i < kFiles; ++i) MakeFile(root / ("d" + std::to_string(i % 40) + "\\f" + std::to_string(i) + ".doc"), 2005);
    }

    // Ticks off the test run, starts a real run over the tree and waits until it is part-way:
    // its status line has moved on screen and a file has been archived. Stopped or closed
    // before the first move, the run would end as one that found nothing. Counting the tree
    // takes longer than the timer's period, so this also shows that the run goes on while a
    // timer keeps the message queue full.
    Script& StartRealRun(Script& script) {
        return script.When(WizardShown, [] { Click("cbTest"); })
            .When([] { return !Ticked("cbTest"); }, [] { Click("btnDoIt"); })
            .Then([this, seen = std::make_shared<std::set<std::string>>()] {
                if (const std::string now = Text("lblStatus"); !now.empty()) seen->insert(now);
                return seen->size() >= 3 && MovedAndLeft().first > 0;
            });
    }

    // Files moved into archive folders and files left where they were.
    std::pair<int, int> MovedAndLeft() const {
        std::pair<int, int> n{0, 0};
        for (const auto& e : fs::recursive_directory_iterator(fs::path(Wide(root.str()))))
            if (e.is_regular_file()) (e.path().parent_path().filename().wstring().rfind(L"~~~", 0) == 0 ? n.first : n.second)++;
        return n;
    }

    // Stopped part-way: some files moved, the rest untouched, nothing lost.
    void ExpectStoppedPartWay(const std::string& summary) const {
        EXPECT_EQ(summary.rfind("Archivierung abgebrochen - ", 0), 0u) << summary;
        const auto [moved, left] = MovedAndLeft();
        EXPECT_GT(moved, 0);
        EXPECT_GT(left, 0);
        EXPECT_EQ(moved + left, kFiles);
    }

    ScratchFolder root;
};

// A test run from the run button ends with the summary box and then the protocol. A real run
// after it is undone in the undo dialog over the wizard: the newest run selected, undone, the
// summary box, back to the wizard.
TEST_F(Win32Renderer, TestRunThenARealRunUndoneInTheUndoDialog) {
    MakeFile(root / "a.doc", 2005);
    MakeFile(root / "neu.doc");
    std::string summary, undone;
    Script script;
    script
        .When(WizardShown,
              [&] {
                  EXPECT_EQ(Text("lblSourcePath"), root.str());
                  EXPECT_EQ(TextColour(ActiveWindow(), Ctl("lblSourcePath")), RGB(0, 0, 255));
                  EXPECT_EQ(TextColour(ActiveWindow(), Ctl("lblStatus")), RGB(255, 0, 0));
                  // The list lies inside its frame on the screen.
                  RECT list{}, frame{}, both{};
                  GetWindowRect(Ctl("lstFileTypes"), &list);
                  GetWindowRect(Ctl("frFileTypes"), &frame);
                  UnionRect(&both, &list, &frame);
                  EXPECT_TRUE(EqualRect(&both, &frame));
                  EXPECT_TRUE(Ticked("cbTest"));
                  Click("btnDoIt");
              })
        .Then(AnswerBox(summary, Press(VK_RETURN)))
        .When([] { return WizardShown() && !gShell->opened.empty(); },  // the run has ended
              [this] {
                  EXPECT_EQ(Text("lblStatus") + " " + Text("btnDoIt"), "Fertig... Archivieren!");
                  EXPECT_EQ(MovedAndLeft(), std::make_pair(0, 2));  // a test run moves nothing
                  Click("cbTest");
              })
        .When([] { return !Ticked("cbTest"); }, [] { Click("btnDoIt"); })
        .Then(AnswerBox(undone, Press(VK_RETURN)))
        .When(WizardShown, [] { Click("btnUndo"); })
        .When([] { return ShownForm<frmUndo>() != nullptr; },
              [] {
                  EXPECT_EQ(SendMessageW(Ctl("lvRuns"), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
                  Click("cbTest");
              })
        .When([] { return !Ticked("cbTest"); }, [] { Click("btnUndoRun"); })
        .Then(AnswerBox(undone, Press(VK_RETURN)))
        .When([] { return ShownForm<frmUndo>() != nullptr; }, [] { Click("btnClose"); })
        .When(WizardShown, [] { CloseBox(ActiveWindow()); });
    RunWizard(script);
    EXPECT_EQ(summary, "Testlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert... |OK|");
    EXPECT_EQ(gShell->opened, std::vector<std::string>{ArchiveProtocolPath()});  // only after the test run
    EXPECT_EQ(undone, "Rückgängig abgeschlossen - 1 Datei(en) zurückgeholt... |OK|");
    EXPECT_EQ(MovedAndLeft(), std::make_pair(0, 2));
}

TEST_F(Win32Renderer, StoppDuringARunOverALargeTreeEndsItAfterTheFileInHand) {
    MakeTree();
    std::string summary;
    Script script;
    StartRealRun(script)
        .Do([] {
            EXPECT_EQ(Text("btnDoIt"), "Stopp!");
            Click("btnDoIt");
        })
        .Then(AnswerBox(summary, Press(VK_ESCAPE)))  // an OK-only box: Escape answers it too
        .When(WizardShown, [] {
            EXPECT_EQ(Text("lblStatus"), "Abgebrochen...");
            Click("btnCancel");
        });
    RunWizard(script);
    ExpectStoppedPartWay(summary);
    std::ifstream protocol(fs::path(Wide(ArchiveProtocolPath())), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(protocol), {}};
    EXPECT_NE(win32::FromAnsi(bytes).find("! Archivierung abgebrochen..."), std::string::npos);
}

TEST_F(Win32Renderer, TheCloseBoxDuringARunStopsItAndClosesTheWindowOnceItHasEnded) {
    MakeTree();
    std::string summary;
    HWND wizard = nullptr;
    Script script;
    StartRealRun(script)
        .Do([&] { CloseBox(wizard = ActiveWindow()); })
        .When([&] { return !IsWindowVisible(wizard); }, [] { EXPECT_EQ(Text("btnDoIt"), "Stopp!"); })  // still running
        .Then(AnswerBox(summary, ClickButton(1)));
    RunWizard(script);
    ExpectStoppedPartWay(summary);
}

TEST_F(Win32Renderer, ListEntriesDropDownsAndOptionsAnswerTheUsersInputOncePerAction) {
    int userTicks = 0, month = -1;
    std::vector<std::string> seen;  // the ticks after each action
    const auto ticks = [] {
        std::string s;
        for (const auto& entry : Model<ui::CheckListBox>("lstFileTypes").Items) s += entry.Selected ? '1' : '0';
        return s;
    };
    const auto changed = [&] { return ticks() != seen.back() && (seen.push_back(ticks()), true); };
    Script script;
    script.When(WizardShown, [&] {
        auto& list = Model<ui::CheckListBox>("lstFileTypes");
        list.ItemCheck = [&userTicks, rules = list.ItemCheck](int i) { ++userTicks, rules(i); };
        seen.push_back(ticks());
    });
    // Clicks on "all files" and on documents, each seen on the model before the next action.
    for (int row : {2, 0}) script.Do([row] { ClickEntry(Ctl("lstFileTypes"), row); }).Then(changed);
    script
        .Do([] {
            SetFocus(Ctl("lstFileTypes"));
            SendMessageW(Ctl("lstFileTypes"), LB_SETCURSEL, 2, 0);
            Key(Ctl("lstFileTypes"), VK_SPACE);
        })
        .Then(changed)
        .Do([&] {
            month = Model<ui::ComboList>("clMonth").ListIndex;
            SetFocus(Ctl("clMonth"));
            Key(Ctl("clMonth"), month > 0 ? VK_UP : VK_DOWN);
            Click("obYearMonth");
        })
        .When([&] { return Model<ui::ComboList>("clMonth").ListIndex != month && Model<ui::OptionButton>("obYearMonth").Value; },
              [&] {
                  EXPECT_EQ(Model<ui::ComboList>("clMonth").ListIndex, month > 0 ? month - 1 : 1);
                  EXPECT_TRUE(Ticked("obYearMonth"));
                  EXPECT_FALSE(Ticked("obYear"));
                  Click("btnCancel");
              });
    RunWizard(script);
    // Word: documents, templates, all files. All files excludes the others and back again.
    EXPECT_EQ(seen, (std::vector<std::string>{"100", "001", "100", "001"}));
    EXPECT_EQ(userTicks, 3);  // the rules' own changes never came back as clicks
}

TEST_F(Win32Renderer, MessageDialogAnswersEscapeEnterTheCheckBoxTheCloseBoxAndADoubleClickOnTheForm) {
    const std::tuple<const char*, Answer, int> cases[] = {
        {"Escape", Press(VK_ESCAPE), 3},
        {"Enter", Press(VK_RETURN), 1},
        {"box ticked, then Enter", [](HWND) { Click("cbDontShow"), Key(Ctl("btn1"), VK_RETURN); }, 257},
        {"double click on the form", [](HWND box) { PostMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4)); }, 99},
        {"second button", [](HWND) { Click("btn2"); }, 2},
        {"close box", &CloseBox, 3},  // never the previous answer: as the cancel button
    };
    for (const auto& [what, answer, result] : cases) {
        std::string shown;
        Script script;
        script.When([] { return ShownForm<frmMsgBoxEx>() != nullptr; }, [&] {
            EXPECT_EQ(GetFocus(), Ctl("btn1")) << "the focus starts on the default button";
            shown = Text(ActiveWindow()) + ": ";
            for (const char* b : {"btn1", "btn2", "btn3", "btnHelp", "cbDontShow"})
                shown += IsWindowVisible(Ctl(b)) ? Text(b) + "|" : "";
            answer(ActiveWindow());
        });
        script.Start();
        EXPECT_EQ(MsgBoxEx("Datei ersetzen?", {"Ja", "Nein", "Abbrechen"}, true, 32, std::string("Frage & Antwort"),
                           std::nullopt, 1, 3),
                  result)
            << what;
        EXPECT_EQ(shown, "Frage & Antwort: Ja|Nein|Abbrechen|Diese Meldung nicht mehr anzeigen|") << what;
    }
}

// Where the band's middle row meets `fromRight` pixels left of its right end: what the window
// says is there, and whether its system menu offers Close.
LRESULT BandHit(int fromRight) {
    RECT band{};
    GetWindowRect(Ctl("XPForm"), &band);
    return SendMessageW(ActiveWindow(), WM_NCHITTEST, 0, MAKELPARAM(band.right - fromRight, (band.top + band.bottom) / 2));
}
bool CloseInMenu() {
    return !(GetMenuState(GetSystemMenu(ActiveWindow(), FALSE), SC_CLOSE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}
// A click on the close glyph at the band's right end.
void ClickCloseGlyph(HWND) {
    RECT band{};
    GetWindowRect(Ctl("XPForm"), &band);
    POINT p{band.right - 4, band.top + 4};
    ScreenToClient(ActiveWindow(), &p);
    PostMessageW(ActiveWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    PostMessageW(ActiveWindow(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

TEST_F(Win32Renderer, StandardMessageBoxShowsGermanCaptionsAndAnswersKeysAndTheCloseBox) {
    const std::tuple<std::int32_t, Answer, std::string, int> cases[] = {
        {vbYesNo | vbQuestion | vbDefaultButton2, Press(VK_RETURN), "&Ja|&Nein|", vbNo},
        {vbOKCancel, Press(VK_ESCAPE), "OK|&Abbrechen|", vbCancel},
        // Yes/No demands a choice: no close glyph, no Close in the menu, the close box and Escape
        // do nothing; the answer is still the user's click. A single OK has the glyph.
        {vbYesNo, [](HWND box) {
             EXPECT_EQ(BandHit(4), HTCAPTION);
             EXPECT_FALSE(CloseInMenu());
             CloseBox(box), Key(GetFocus(), VK_ESCAPE), ClickButton(1)(box);
         }, "&Ja|&Nein|", vbYes},
        {vbOKOnly, &ClickCloseGlyph, "OK|", vbOK},
        {vbYesNoCancel, &CloseBox, "&Ja|&Nein|&Abbrechen|", vbCancel},
        {vbAbortRetryIgnore, ClickButton(3), "&Abbrechen|&Wiederholen|&Ignorieren|", vbIgnore},
    };
    for (const auto& [flags, answer, captions, result] : cases) {
        std::string shown;
        Script script;
        script.Then(AnswerBox(shown, answer)).Start();
        EXPECT_EQ(MsgBoxStd("Zeile 1 & mehr\r\nZeile 2", flags, std::string("Titel")), result) << flags;
        EXPECT_EQ(shown, "Zeile 1 & mehr\r\nZeile 2 |" + captions) << flags;
    }
}

TEST_F(Win32Renderer, TheTitleBandIsTheTitleBarWithACloseGlyphThatOnlyBoxesWithAWayOutHave) {
    Script script;
    script.When(WizardShown, [] {
        HWND w = ActiveWindow();
        const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
        EXPECT_NE(style & WS_CAPTION, WS_CAPTION);  // no system caption above the band
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_EQ(Text(w), ui::DisplayText(Model<ui::XPFormDecoration>("XPForm").Caption));  // taskbar, Alt+Tab
        EXPECT_EQ(BandHit(200), HTCAPTION);  // dragging the band moves the window
        EXPECT_EQ(BandHit(4), HTCLIENT);     // the close glyph
        EXPECT_TRUE(CloseInMenu());
        ClickCloseGlyph(w);
    });
    RunWizard(script);
    // The message dialog without a cancel button: Escape acts as its close box.
    Script escape;
    escape.When([] { return ShownForm<frmMsgBoxEx>() != nullptr; }, [] { Key(GetFocus(), VK_ESCAPE); }).Start();
    MsgBoxEx("?", {"Ja", "Nein"}, false);
    EXPECT_TRUE(escape.Done());
}

TEST_F(Win32Renderer, AChangeOfTheMonitorsDpiLaysTheWindowOutAgainAtTheNewScale) {
    Script script;
    script.When(WizardShown, [] {
        HWND w = ActiveWindow();
        const int dpi = ui::win32::DpiOf(w);
        const auto widths = [w] {
            RECT frame{}, button{};
            GetClientRect(w, &frame);
            GetClientRect(Ctl("btnCancel"), &button);
            return std::make_pair(frame.right, button.right);
        };
        const auto before = widths();
        for (const int to : {dpi * 3 / 2, dpi}) {
            RECT suggested{};
            GetWindowRect(w, &suggested);
            SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
            const auto after = widths();
            EXPECT_NEAR(after.first, before.first * to / dpi, 2) << to;
            EXPECT_NEAR(after.second, before.second * to / dpi, 2) << to;
        }
        Click("btnCancel");
    });
    RunWizard(script);
}

// --- every text whole ------------------------------------------------------------------------

int gExpectedDpi = 0;  // the DPI this process was started for; 0: whatever the prefix has

// Every text of the shown form that is not whole in its control's client area (less the
// check or option glyph, the list's check boxes, the drop-down's arrow, the close glyph),
// every label that runs into a picture, every control outside the window. A line per fault.
std::string CutTexts(const ui::Form& form) {
    HWND window = gUi->WindowOf(form);
    const int dpi = ui::win32::DpiOf(window);
    const auto px = [dpi](int at96) { return MulDiv(at96, dpi, 96); };
    RECT client{};
    GetClientRect(window, &client);
    std::vector<RECT> pictures, labels;
    std::string faults;
    for (const ui::Control* c : form.Controls()) {
        HWND w = gUi->ControlWindow(form, c->Name());
        if (!w || !IsWindowVisible(w)) continue;
        const auto fault = [&](const std::string& what) { faults += form.Name() + "." + c->Name() + " at " + std::to_string(dpi) + " dpi: " + what + "\n"; };
        RECT box{}, at{};
        GetClientRect(w, &box);
        GetWindowRect(w, &at);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&at), 2);
        auto* combo = dynamic_cast<const ui::ComboList*>(c);
        if (at.left < 0 || at.top < 0 || at.right > client.right || (!combo && at.bottom > client.bottom)) fault("outside the window");
        std::vector<std::string> texts{ui::DisplayText(c->State().caption)};
        int less = px(8);  // the room a button's border takes
        UINT format = DT_SINGLELINE;
        bool label = false;
        if (dynamic_cast<const ui::Image*>(c)) {
            pictures.push_back(at);
        } else if (dynamic_cast<const ui::CheckListBox*>(c)) {
            texts = c->State().items, less = px(21);
        } else if (combo) {
            texts = combo->Items, less = GetSystemMetrics(SM_CXVSCROLL) + px(6);
        } else if (dynamic_cast<const ui::CheckBox*>(c) || dynamic_cast<const ui::OptionButton*>(c)) {
            less = px(18), format = DT_WORDBREAK;
        } else if (dynamic_cast<const ui::Frame*>(c)) {
            if (c->TypeName() != "XPFrame") texts.clear();
            less = px(16);
        } else if (dynamic_cast<const ui::XPFormDecoration*>(c)) {
            less = px(12) + (form.ControlBox ? box.bottom * 5 / 4 : 0);
        } else if (!dynamic_cast<const ui::Button*>(c)) {
            auto* l = dynamic_cast<const ui::Label*>(c);
            label = true, less = 0, format = dynamic_cast<const ui::LinkLabel*>(c) || (l && l->WordWrap) ? DT_WORDBREAK : 0;
        }
        for (const std::string& text : texts) {
            if (text.empty()) continue;
            const std::wstring wide = Wide(text);
            HDC dc = GetDC(w);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
            RECT need{0, 0, box.right - less, 0};
            DrawTextW(dc, wide.c_str(), -1, &need, format | DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
            SelectObject(dc, old);
            ReleaseDC(w, dc);
            if (need.right > box.right - less || need.bottom > box.bottom)
                fault("\"" + text + "\" needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) + ", has " +
                      std::to_string(box.right - less) + "x" + std::to_string(box.bottom));
            if (label) labels.push_back(RECT{at.left, at.top, at.left + need.right, at.top + need.bottom});
        }
    }
    for (const RECT& text : labels)
        for (const RECT& picture : pictures)
            if (RECT both{}; IntersectRect(&both, &text, &picture)) faults += form.Name() + ": a label runs into a picture\n";
    return faults;
}

// Every form of the system in both languages, and the message boxes with texts the run shows.
TEST(Win32Fit, EveryTextIsWholeAtThisDpi) {
    platform::Settings().SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner", "C:\\Users\\Anna\\Dokumente\\Berichte");
    std::string faults;
    int shown = 0;
    const std::string folder = "C:\\Users\\Anna\\Dokumente\\Berichte\\~~~ 2008";
    const std::function<void()> boxes[] = {
        [&] { MsgBoxEx("Zieldatei '" + folder + "\\Bericht.doc' ist bereits vorhanden. Überschreiben?", {"Ja", "Nein", "Abbrechen"}, true, vbQuestion, Module().ProductTitle); },
        [&] { MsgBoxEx("Datei 'C:\\Users\\Anna\\Dokumente\\Berichte\\Bericht.doc'\r\narchivieren in '" + folder + "'?", {"Ja", "Nein", "Abbrechen"}, false, vbQuestion, Module().ProductTitle); },
        [&] { MsgBoxStd("Protokoll wirklich löschen?", vbQuestion + vbYesNoCancel, Module().ProductTitle); },
        [&] { MsgBoxStd("Pfad zu lang für Archivierung!", vbExclamation + vbAbortRetryIgnore, Module().ProductTitle); },
    };
    for (const std::int16_t lang : {0, 1}) {
        Module().CurrLang = lang;
        InitProductTexts();
        std::vector<std::function<void()>> shows(std::begin(boxes), std::end(boxes));
        for (const auto& maker : ui::RegisteredForms()) shows.push_back([&maker] { maker.make()->ShowModal(); });
        for (const auto& show : shows) {
            Script script;
            script.Then([&] {
                ui::Form* form = ui::Form::ActiveForm();
                HWND w = form ? gUi->WindowOf(*form) : nullptr;
                if (!w || !IsWindowVisible(w)) return false;
                EXPECT_EQ(ui::win32::DpiOf(w), gExpectedDpi ? gExpectedDpi : ui::win32::DpiOf(nullptr));
                faults += CutTexts(*form);
                ++shown;
                form->Unload();
                return true;
            });
            script.Start();
            show();
        }
    }
    Module().CurrLang = 0;
    EXPECT_EQ(shown, 2 * static_cast<int>(std::size(boxes) + ui::RegisteredForms().size()));
    EXPECT_EQ(faults, "");
}

// The same at the other scalings, each in a process of its own: Wine reads the prefix's DPI
// once per process.
TEST(Win32Fit, AndAtTheOtherScalings) {
    if (gExpectedDpi) GTEST_SKIP() << "a round of its own";
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &desktop, nullptr), ERROR_SUCCESS);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (const DWORD dpi : {120u, 144u, 192u, 96u}) {  // back to the prefix's usual scaling last
        RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
        if (dpi == 96) break;
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=Win32Fit.EveryTextIsWholeAtThisDpi --dpi=" + std::to_wstring(dpi);
        STARTUPINFOW start{sizeof start};
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process));
        WaitForSingleObject(process.hProcess, 120000);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(code, 0u) << dpi << " dpi";
    }
    RegCloseKey(desktop);
}

}  // namespace
}  // namespace ardeko

int main(int argc, char** argv) {
    using namespace ardeko;
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--dpi=", 0) == 0) gExpectedDpi = std::stoi(argv[i] + 6);
    platform::win32::InstallWin32Ports();
    RecordingShell shell(*platform::ports().shell);
    platform::ports().shell = gShell = &shell;
    Win32Ui ui;
    platform::ports().ui = gUi = &ui;
    Module().HostApp = std::make_shared<testkit::FakeOfficeHost>("Microsoft Word", "16.0");
    const int code = RUN_ALL_TESTS();
    platform::ports().ui = nullptr;
    platform::ports().shell = nullptr;
    return code;
}

// Saves pictures of the dialogs as the Windows renderer draws them, German and English, for the
// README and the manual: the wizard, the About dialog, the overwrite question and the summary.
//   ardeko-wizard-screenshots.exe OUTDIR [SUFFIX]
// SUFFIX goes before ".png" (the pictures at other scalings). tools/screenshots.sh runs it on a
// virtual screen under Wine, in a prefix of its own, so the settings it stores are nobody's.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "Cli.h"
#include "System.h"
#include "addin/modArdeko.h"
#include "archive/Journal.h"
#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "platform/win32/WinText.h"
#include "support/Module.h"
#include "ui/Form.h"
#include "ui/win32/Capture.h"
#include "ui/win32/Win32Ui.h"

namespace {

namespace wt = ardeko::win32;
using ardeko::ui::Form;

ardeko::ui::win32::Win32Ui* gUi = nullptr;
bool gFailed = false;

// Steps run one after the other from a thread timer inside whatever dialog is up; a step
// returns false to be asked again. A dialog that never comes ends the program.
class Steps {
public:
    explicit Steps(std::deque<std::function<bool()>> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 50, &Steps::Tick);
    }
    ~Steps() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    Steps(const Steps&) = delete;
    Steps& operator=(const Steps&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        Steps* s = current_;
        if (!s || s->steps_.empty()) return;
        if (s->steps_.front()()) {
            s->steps_.pop_front();
            s->waited_ = 0;
        } else if ((s->waited_ += 50) > 20000) {
            std::fputs("a dialog did not appear\n", stderr);
            ExitProcess(1);
        }
    }
    static inline Steps* current_ = nullptr;
    std::deque<std::function<bool()>> steps_;
    UINT_PTR timer_ = 0;
    int waited_ = 0;
};

// The window as it stands on the screen, frame included.
void Save(HWND window, const std::string& file) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT r{};
    GetWindowRect(window, &r);
    if (!ardeko::ui::win32::SaveScreenPng(r, wt::Wide(file))) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        gFailed = true;
    } else {
        std::printf("%s\n", file.c_str());
    }
}

// The shown form of this name, once its window has been up for a moment (painted).
HWND Shown(const char* formName) {
    static HWND seen = nullptr;
    static DWORD since = 0;
    Form* form = Form::ActiveForm();
    HWND w = form && form->Name() == formName ? gUi->WindowOf(*form) : nullptr;
    if (!w || !IsWindowVisible(w) || !IsWindowEnabled(w)) return nullptr;
    if (w != seen) {
        seen = w;
        since = GetTickCount();
    }
    return GetTickCount() - since >= 300 ? w : nullptr;
}

void Click(const char* control) {
    if (Form* form = Form::ActiveForm())
        if (HWND b = gUi->ControlWindow(*form, control)) PostMessageW(b, BM_CLICK, 0, 0);
}

}  // namespace

int main() {
    using namespace ardeko;
    const auto args = cli::sys::Arguments(0, nullptr);
    if (args.empty() || args.size() > 2) {
        std::fputs("usage: ardeko-wizard-screenshots OUTDIR [SUFFIX]\n", stderr);
        return 2;
    }
    const std::string out = args[0];
    const std::string scaling = args.size() > 1 ? args[1] : "";
    CreateDirectoryW(wt::Wide(out).c_str(), nullptr);

    OleInitialize(nullptr);
    cli::sys::InstallMachinePorts();
    ui::win32::Win32Ui renderer;
    gUi = &renderer;
    platform::ports().ui = &renderer;

    // Two runs in the journal, for the undo dialog's list; a later round at another scaling
    // runs in the same profile and finds them there.
    if (scaling.empty())
        for (const auto& [day, files] : {std::pair{3, 2}, std::pair{17, 41}}) {
            const std::string folder = "C:\\Users\\Anna\\Dokumente\\Berichte";
            if (auto run = RunJournal::Begin({{2026, 11, day, 9, 30, 0}, "Word", folder}))
                for (int i = 0; i < files; ++i) {
                    const std::string name = "\\Bericht " + std::to_string(i) + ".doc";
                    run->Result(run->Intent(folder + name, folder + "\\~~~ 2019" + name, folder + "\\", folder + "\\~~~ 2019", false), {});
                }
        }

    for (const bool german : {true, false}) {
        platform::Settings().SaveSetting("Veltrano", "OffArdeko", "CurrLang", german ? "0" : "1");
        platform::Settings().SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner",
                                         german ? "C:\\Users\\Anna\\Dokumente\\Berichte" : "C:\\Users\\Anna\\Documents\\Reports");
        cli::ConnectHost(std::string("Word"));
        const std::string suffix = (german ? "-de" : "-en") + scaling + ".png";
        {
            Steps steps({
                [&] {
                    HWND w = Shown("frmArdeko");
                    if (w) {
                        Save(w, out + "\\wizard" + suffix);
                        Click("btnInfo");
                    }
                    return w != nullptr;
                },
                [&] {
                    HWND w = Shown("dlgInfo");
                    if (w) {
                        Save(w, out + "\\info" + suffix);
                        Click("btnDone");
                    }
                    return w != nullptr;
                },
                [&] {
                    if (!Shown("frmArdeko")) return false;
                    Click("btnUndo");
                    return true;
                },
                [&] {
                    HWND w = Shown("frmUndo");
                    if (w) {
                        Save(w, out + "\\undo" + suffix);
                        Click("btnClose");
                    }
                    return w != nullptr;
                },
                [&] {
                    if (!Shown("frmArdeko")) return false;
                    Click("btnCancel");
                    return true;
                },
            });
            ShowWizard();
        }
        {
            // The run's own question about an existing target (its texts are German in both
            // languages; the check box and the title follow the language).
            Steps steps({[&] {
                HWND w = Shown("frmMsgBoxEx");
                if (w) {
                    Save(w, out + "\\msgboxex" + suffix);
                    Click("btn2");
                }
                return w != nullptr;
            }});
            MsgBoxEx("Zieldatei 'C:\\Users\\Anna\\Dokumente\\Berichte\\~~~ 2008\\Bericht.doc' ist bereits vorhanden. "
                     "Überschreiben?",
                     {"Ja", "Nein", "Abbrechen"}, true, vbQuestion, Module().ProductTitle, std::nullopt, 2);
        }
        {
            // The summary at the end of a test run, a standard box.
            Steps steps({[&] {
                HWND w = Shown("StandardBox");
                if (w) {
                    Save(w, out + "\\msgbox" + suffix);
                    Click("btn1");
                }
                return w != nullptr;
            }});
            MsgBoxStd("Testlauf abgeschlossen - 12 Datei(en) geprüft, 5 Datei(en) archiviert...", vbInformation,
                      Module().ProductTitle);
        }
    }
    platform::ports().ui = nullptr;
    OleUninitialize();
    return gFailed ? 1 : 0;
}

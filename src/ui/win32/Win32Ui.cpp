#include "ui/win32/Win32Ui.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "platform/win32/WinText.h"
#include "ui/Form.h"
#include "ui/ModalScope.h"
#include "ui/StandardButtons.h"
#include "ui/win32/FormWindow.h"

namespace ardeko::ui::win32 {

namespace {

namespace wt = ardeko::win32;

// A full resync of the shown windows is cheap, a repaint is not: during a run the pump
// processes messages on every call but redraws the forms at most this often.
constexpr auto kSyncInterval = std::chrono::milliseconds(15);
// How long one DoEvents may go on handling messages. A timer whose handler outlasts its own
// period (the host's or anyone's) keeps the queue from ever running empty; the work that
// called DoEvents must still go on.
constexpr auto kPumpSlice = std::chrono::milliseconds(50);

constexpr int kBoxButtonId = 1000;  // the styled box's buttons: 1001, 1002, ...
constexpr int kBoxPromptId = 999;

LPCWSTR IconOfFlags(std::int32_t flags) {
    switch (flags & 0x70) {
        case 16: return IDI_HAND;
        case 32: return IDI_QUESTION;
        case 48: return IDI_EXCLAMATION;
        case 64: return IDI_ASTERISK;
        default: return nullptr;
    }
}

// What Escape and the close box answer: Cancel where there is one, the only button of a
// single-button box; nothing for the boxes that demand a choice.
int EscapeResult(const std::vector<StandardButton>& buttons) {
    for (const auto& b : buttons)
        if (b.result == 2) return 2;
    return buttons.size() == 1 ? buttons.front().result : 0;
}

HFONT MakeFont(const std::string& face, int points, int dpi, bool bold = false) {
    return CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, wt::Wide(face).c_str());
}

// Disables every top-level window of this thread except `keep` for as long as it lives:
// what a modal window does to the rest of the application, the host's windows included.
class ThreadModality {
public:
    explicit ThreadModality(HWND keep) : keep_(keep) {
        EnumThreadWindows(GetCurrentThreadId(), &ThreadModality::Visit, reinterpret_cast<LPARAM>(this));
    }
    ~ThreadModality() {
        // In reverse, so that the window below becomes active again when ours goes.
        for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
            if (IsWindow(*it)) EnableWindow(*it, TRUE);
    }
    ThreadModality(const ThreadModality&) = delete;
    ThreadModality& operator=(const ThreadModality&) = delete;

private:
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM self) {
        auto* me = reinterpret_cast<ThreadModality*>(self);
        if (hwnd != me->keep_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
            EnableWindow(hwnd, FALSE);
            me->disabled_.push_back(hwnd);
        }
        return TRUE;
    }
    HWND keep_;
    std::vector<HWND> disabled_;
};

// Over its owner's middle, or the screen's when it has none; never off the work area.
void Center(HWND hwnd, HWND owner) {
    RECT r{}, area{};
    GetWindowRect(hwnd, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x = around.left + (around.right - around.left - w) / 2;
    int y = around.top + (around.bottom - around.top - h) / 2;
    x = std::max<int>(area.left, std::min<int>(x, area.right - w));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - h));
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The styled suite's message box: title band, icon, prompt and a row of buttons, in a window
// of our own so that it looks like the forms around it.
class StyledBox {
public:
    StyledBox(const platform::StyledMsgBoxRequest& request, Win32Ui& ui, HWND owner) : ui_(ui) {
        Register(ui.Instance());
        buttons_ = StandardButtons(request);
        defaultIndex_ = DefaultButtonIndex(request, buttons_.size());
        escape_ = EscapeResult(buttons_);
        title_ = wt::Wide(DisplayText(request.title));
        std::string prompt = DisplayText(request.prompt);
        if (prompt.rfind("\r\n", 0) == 0)
            prompt.erase(0, 2);  // the service's leading line break
        else if (!prompt.empty() && (prompt[0] == '\n' || prompt[0] == '\r'))
            prompt.erase(0, 1);
        prompt_ = ControlText(prompt);
        icon_ = IconOfFlags(request.flags) ? LoadIconW(nullptr, IconOfFlags(request.flags)) : nullptr;

        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        font_ = MakeFont("Tahoma", 8, dpi);
        bold_ = MakeFont("Tahoma", 10, dpi, true);
        const auto px = [dpi](int at96) { return MulDiv(at96, dpi, 96); };
        // Prompt between 260 and 520 pixels wide, wrapped as the label will wrap it.
        HGDIOBJ old = SelectObject(screen, font_);
        RECT text{0, 0, px(520), 0};
        DrawTextW(screen, prompt_.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
        const int textWidth = std::max<int>(px(260), text.right);
        const int textHeight = std::max<int>(px(32), text.bottom);
        const int band = px(28), margin = px(14), iconSize = icon_ ? px(32) + px(12) : 0;
        const int buttonWidth = px(88), buttonHeight = px(24), gap = px(6);
        const int rowWidth = static_cast<int>(buttons_.size()) * (buttonWidth + gap) - gap;
        const int clientWidth = std::max(margin * 2 + iconSize + textWidth, margin * 2 + rowWidth);
        const int clientHeight = band + px(10) + textHeight + px(14) + buttonHeight + px(12);

        RECT frame{0, 0, clientWidth, clientHeight};
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
        hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, StyledBoxClassName, title_.c_str(), style,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                owner, nullptr, ui.Instance(), this);
        if (!hwnd_) return;
        bandRect_ = RECT{0, 0, clientWidth, band};
        iconRect_ = RECT{margin, band + px(10), margin + px(32), band + px(42)};
        HWND label = CreateWindowExW(0, L"STATIC", prompt_.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                     margin + iconSize, band + px(10), textWidth, textHeight, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBoxPromptId)), ui.Instance(), nullptr);
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        int x = clientWidth - margin - rowWidth;
        const int y = clientHeight - px(12) - buttonHeight;
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            const bool isDefault = static_cast<int>(i) == defaultIndex_;
            HWND b = CreateWindowExW(0, L"BUTTON", wt::Wide(buttons_[i].caption).c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                     x, y, buttonWidth, buttonHeight, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBoxButtonId + 1 + i)),
                                     ui.Instance(), nullptr);
            SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            if (isDefault) defaultButton_ = b;
            x += buttonWidth + gap;
        }
    }

    ~StyledBox() {
        if (hwnd_) {
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
        DeleteObject(font_);
        DeleteObject(bold_);
    }
    StyledBox(const StyledBox&) = delete;
    StyledBox& operator=(const StyledBox&) = delete;

    int Run(HWND owner) {
        if (!hwnd_) return escape_ ? escape_ : 1;
        Center(hwnd_, owner);
        ThreadModality modal(hwnd_);
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        SetFocus(defaultButton_ ? defaultButton_ : hwnd_);
        MSG msg;
        while (!result_) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (got < 0) break;
            if (PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        ShowWindow(hwnd_, SW_HIDE);
        return result_ ? result_ : (escape_ ? escape_ : 1);
    }

private:
    static void Register(HINSTANCE instance) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (GetClassInfoExW(instance, StyledBoxClassName, &wc)) return;
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &StyledBox::WndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = StyledBoxClassName;
        RegisterClassExW(&wc);
    }

    bool PreTranslate(MSG& msg) {
        if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            if (escape_) result_ = escape_;
            return true;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
            HWND focus = GetFocus();
            const int id = focus && IsChild(hwnd_, focus) ? GetDlgCtrlID(focus) : 0;
            if (id > kBoxButtonId)
                Finish(id);
            else if (defaultButton_)
                Finish(GetDlgCtrlID(defaultButton_));
            return true;
        }
        return IsDialogMessageW(hwnd_, &msg) != FALSE;
    }

    void Finish(int id) {
        const int index = id - kBoxButtonId - 1;
        if (index >= 0 && index < static_cast<int>(buttons_.size())) result_ = buttons_[static_cast<std::size_t>(index)].result;
    }

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<StyledBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
        switch (msg) {
            case WM_COMMAND:
                if (HIWORD(wp) == BN_CLICKED) self->Finish(LOWORD(wp));
                if (LOWORD(wp) == IDCANCEL && self->escape_) self->result_ = self->escape_;
                return 0;
            case WM_CLOSE:
                if (self->escape_) self->result_ = self->escape_;
                return 0;
            case WM_CTLCOLORSTATIC:
                SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                self->Paint(dc);
                EndPaint(hwnd, &ps);
                return 0;
            }
            default: break;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    void Paint(HDC dc) {
        const RECT& r = bandRect_;
        FillGradient(dc, r, BandLeft, BandRight, true);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, bold_);
        RECT text{r.left + 8, r.top, r.right - 4, r.bottom};
        DrawTextW(dc, title_.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(dc, old);
        if (icon_) DrawIconEx(dc, iconRect_.left, iconRect_.top, icon_, iconRect_.right - iconRect_.left,
                              iconRect_.bottom - iconRect_.top, 0, nullptr, DI_NORMAL);
    }

    Win32Ui& ui_;
    HWND hwnd_ = nullptr;
    HWND defaultButton_ = nullptr;
    HFONT font_ = nullptr;
    HFONT bold_ = nullptr;
    HICON icon_ = nullptr;
    RECT bandRect_{}, iconRect_{};
    std::wstring title_, prompt_;
    std::vector<StandardButton> buttons_;
    int defaultIndex_ = -1;
    int escape_ = 0;
    int result_ = 0;
};

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

std::wstring ControlText(const std::string& text) {
    const std::wstring wide = wt::Wide(text);
    std::wstring out;
    out.reserve(wide.size() + 8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\r') {
            out += L"\r\n";
            if (i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
        } else if (wide[i] == L'\n') {
            out += L"\r\n";
        } else {
            out += wide[i];
        }
    }
    return out;
}

Win32Ui::Win32Ui(HINSTANCE instance) : instance_(instance ? instance : GetModuleHandleW(nullptr)) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&init);
    HDC screen = GetDC(nullptr);
    if (screen) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpi_ <= 0) dpi_ = 96;
}

Win32Ui::~Win32Ui() = default;

int Win32Ui::Px(int twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }

int Win32Ui::Twips(int px) const { return static_cast<int>(std::lround(px * 1440.0 / dpi_)); }

HWND Win32Ui::WindowOf(const Form& form) const {
    for (FormWindow* w : windows_)
        if (&w->form() == &form) return w->hwnd();
    return nullptr;
}

HWND Win32Ui::ControlWindow(const Form& form, const std::string& controlName) const {
    for (FormWindow* w : windows_)
        if (&w->form() == &form) return w->ControlWindow(controlName);
    return nullptr;
}

FormWindow* Win32Ui::WindowFor(HWND hwnd) const {
    if (!hwnd) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->hwnd() == root) return *it;
    return nullptr;
}

HWND Win32Ui::OwnerWindow() const {
    if (Form* active = Form::ActiveForm())
        if (HWND w = WindowOf(*active)) return w;
    if (!windows_.empty()) return windows_.back()->hwnd();
    // Over the host: the window that is active on this thread (Office's main window).
    return GetActiveWindow();
}

void Win32Ui::SyncAll() {
    for (FormWindow* w : windows_) w->Sync();
    lastSync_ = std::chrono::steady_clock::now();
}

void Win32Ui::ShowModal(Form& form) {
    if (!form.Loaded()) return;
    SyncAll();  // the window below shows its latest state while this one is up
    HWND owner = form.Owner() ? WindowOf(*form.Owner()) : nullptr;
    if (!owner) owner = OwnerWindow();
    FormWindow window(form, *this, owner);
    bool done = false;
    const ModalScope<FormWindow> scope(windows_, window, form, [&] {
        done = true;
        // Enabled again before ours hides, so that the owner gets the activation back.
        if (owner) EnableWindow(owner, TRUE);
        ShowWindow(window.hwnd(), SW_HIDE);
    });

    window.Sync();
    Center(window.hwnd(), owner);
    {
        ThreadModality modal(window.hwnd());
        ShowWindow(window.hwnd(), SW_SHOW);
        SetForegroundWindow(window.hwnd());
        SetActiveWindow(window.hwnd());
        MSG msg;
        while (!done && form.Loaded()) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                // The application is ending: leave the loop and let the outer one see it too.
                PostQuitMessage(static_cast<int>(msg.wParam));
                try {
                    form.Unload();
                } catch (...) {
                }
                break;
            }
            if (got < 0) break;
            if (PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    ShowWindow(window.hwnd(), SW_HIDE);
}

bool Win32Ui::PreTranslate(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    FormWindow* w = WindowFor(msg.hwnd);
    if (!w || w != windows_.back()) return false;
    if (w->HandleKey(msg)) return true;
    return IsDialogMessageW(w->hwnd(), &msg) != FALSE;
}

void Win32Ui::DoEvents() {
    const auto start = std::chrono::steady_clock::now();
    if (start - lastSync_ >= kSyncInterval) SyncAll();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (std::chrono::steady_clock::now() - start >= kPumpSlice) return;
    }
}

void Win32Ui::Beep() { MessageBeep(MB_OK); }

int Win32Ui::SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) {
    SyncAll();
    // The caption-list bit is ours, not the system's.
    const UINT type = static_cast<UINT>(flags & ~1024) | MB_TASKMODAL;
    const int result = MessageBoxW(OwnerWindow(), ControlText(text).c_str(), wt::Wide(title).c_str(), type);
    return result > 0 ? result : 2;
}

int Win32Ui::StyledMessageBox(const platform::StyledMsgBoxRequest& request) {
    SyncAll();
    HWND owner = OwnerWindow();
    StyledBox box(request, *this, owner);
    return box.Run(owner);
}

int Win32Ui::SystemMetric(int id) { return GetSystemMetrics(id); }

int Win32Ui::TextWidth(const Form& form, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HFONT font = MakeFont(form.FontName, form.FontSize, dpi_);
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    const std::wstring wide = ControlText(text);
    std::size_t start = 0;
    while (start <= wide.size()) {
        std::size_t end = wide.find(L"\r\n", start);
        if (end == std::wstring::npos) end = wide.size();
        SIZE size{};
        if (end > start) GetTextExtentPoint32W(dc, wide.c_str() + start, static_cast<int>(end - start), &size);
        widest = std::max<int>(widest, size.cx);
        start = end + 2;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return Twips(widest);
}

int Win32Ui::TextHeight(const Form& form, const std::string& text, int width) {
    HDC dc = GetDC(nullptr);
    HFONT font = MakeFont(form.FontName, form.FontSize, dpi_);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT box{0, 0, std::max(1, Px(width)), 0};
    const std::wstring wide = ControlText(text);
    DrawTextW(dc, wide.c_str(), -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return Twips(std::max<int>(box.bottom - box.top, metrics.tmHeight));
}

void Win32Ui::BringToFront(Form& form) {
    if (HWND w = WindowOf(form)) {
        SetForegroundWindow(w);
        SetActiveWindow(w);
    }
}

std::string Win32Ui::BrowseForFolder(const std::string& title, const std::string& startFolder, bool newStyle) {
    SyncAll();
    // The new-style dialog needs COM on this thread; the host has it already, a program of
    // ours may not.
    const HRESULT com = newStyle ? OleInitialize(nullptr) : E_FAIL;
    std::wstring wideTitle = wt::Wide(title);
    std::wstring start = wt::Wide(startFolder);
    BROWSEINFOW info{};
    info.hwndOwner = OwnerWindow();
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | (newStyle ? BIF_NEWDIALOGSTYLE : 0);
    info.lpfn = &BrowseCallback;
    info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    std::string chosen;
    if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
        wchar_t path[MAX_PATH + 1] = {};
        if (SHGetPathFromIDListW(list, path)) chosen = wt::Utf8(path);
        CoTaskMemFree(list);
    }
    if (SUCCEEDED(com)) OleUninitialize();
    return chosen;
}

}  // namespace ardeko::ui::win32

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
#include "ui/StandardBox.h"
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

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

using SetAwarenessFn = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
using DpiForWindowFn = UINT(WINAPI*)(HWND);

template <class Fn>
Fn User32(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int SystemDpi() {
    int dpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

}  // namespace

PerMonitorAwareness::PerMonitorAwareness() {
    static const auto set = User32<SetAwarenessFn>("SetThreadDpiAwarenessContext");
    // Fails before 10 1703, which does not know V2: the thread then stays as the host set it.
    if (set) previous_ = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

PerMonitorAwareness::~PerMonitorAwareness() {
    static const auto set = User32<SetAwarenessFn>("SetThreadDpiAwarenessContext");
    if (set && previous_) set(static_cast<DPI_AWARENESS_CONTEXT>(previous_));
}

int DpiOf(HWND hwnd) {
    static const auto forWindow = User32<DpiForWindowFn>("GetDpiForWindow");
    const int dpi = forWindow && hwnd ? static_cast<int>(forWindow(hwnd)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

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
    dpi_ = SystemDpi();
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
        window.FocusFirst();
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
    // The same kind of window as the message dialog's, so that both boxes look alike.
    StandardBox box(request);
    box.ShowModal();
    return box.Result();
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

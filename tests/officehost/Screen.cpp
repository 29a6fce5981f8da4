#include "officehost/Screen.h"

#include <algorithm>
#include <cstdio>

#include "platform/win32/WinText.h"
#include "ui/win32/Capture.h"
#include "ui/win32/Win32Ui.h"

namespace ardeko::officehost {

std::vector<std::wstring> AddinDialogClasses() {
    return {ui::win32::FormClassName, ui::win32::StyledBoxClassName, L"#32770"};
}

namespace {

struct Search {
    const std::vector<std::wstring>* classes;
    const std::set<HWND>* handled;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    const bool wanted = std::find(s->classes->begin(), s->classes->end(), std::wstring(name)) != s->classes->end();
    if (wanted && !s->handled->count(hwnd) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) s->found = hwnd;
    return s->found ? FALSE : TRUE;
}

}  // namespace

DialogWatch::DialogWatch(std::vector<std::wstring> classes, Handler onShown, std::chrono::milliseconds settle)
    : classes_(std::move(classes)), onShown_(std::move(onShown)), settle_(settle) {
    current_ = this;
    lastChange_ = std::chrono::steady_clock::now();
    timer_ = SetTimer(nullptr, 0, 20, &DialogWatch::Tick);
}

DialogWatch::~DialogWatch() {
    if (timer_) KillTimer(nullptr, timer_);
    if (current_ == this) current_ = nullptr;
}

void CALLBACK DialogWatch::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ && !current_->busy_) current_->Poll();
}

void DialogWatch::Poll() {
    busy_ = true;
    const auto now = std::chrono::steady_clock::now();
    if (!pending_) {
        Search s{&classes_, &handled_};
        EnumThreadWindows(GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(&s));
        if (s.found) pending_ = s.found, pendingSince_ = now;
    }
    if (pending_ && (!IsWindow(pending_) || now - pendingSince_ >= settle_)) {
        HWND w = pending_;
        pending_ = nullptr;
        if (IsWindow(w)) {
            handled_.insert(w);
            seen.push_back(Describe(w));
            lastChange_ = now;
            onShown_(w);
        }
    }
    // A handled window should close soon after it was handed over.
    bool open = false;
    for (HWND w : handled_) open = open || (IsWindow(w) && IsWindowVisible(w));
    if (open && now - lastChange_ > std::chrono::seconds(30)) {
        std::fprintf(stderr, "a dialog of the add-in is still up 30 s after it was handed over\n");
        std::fflush(nullptr);
        ExitProcess(3);
    }
    busy_ = false;
}

std::string Describe(HWND window) {
    wchar_t cls[64] = {}, title[512] = {};
    GetClassNameW(window, cls, 64);
    GetWindowTextW(window, title, 512);
    return win32::Utf8(cls) + "|" + win32::Utf8(title);
}

void CloseDialog(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool SaveScreenPng(const std::wstring& file) {
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return ui::win32::SaveScreenPng(screen, file);
}

}  // namespace ardeko::officehost

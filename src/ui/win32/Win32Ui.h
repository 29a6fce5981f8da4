#pragma once
// The Windows renderer: every form becomes a real top-level window whose child windows mirror
// the form's controls; the user's clicks, ticks, picks and keys go to the form's entry points,
// and the message boxes and the folder choice are real dialogs. One thread, the host's: the
// modal loops and DoEvents pump its messages.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace ardeko::ui {

class Form;

namespace win32 {

class FormWindow;

class Win32Ui : public platform::Ui {
public:
    // `instance` is the module whose window classes we register (the library inside Office,
    // the program on its own).
    explicit Win32Ui(HINSTANCE instance = nullptr);
    ~Win32Ui() override;
    Win32Ui(const Win32Ui&) = delete;
    Win32Ui& operator=(const Win32Ui&) = delete;

    // The window of a form being shown; null when it is not shown.
    HWND WindowOf(const Form& form) const;
    // The child window that draws the control of that name; null when there is none.
    HWND ControlWindow(const Form& form, const std::string& controlName) const;
    // Brings every shown window up to date with its form.
    void SyncAll();

    // Twips to pixels and back at the system's resolution (the forms' measures of text).
    int Px(int twips) const;
    int Twips(int px) const;
    HINSTANCE Instance() const { return instance_; }

    // --- platform::Ui ---
    void ShowModal(Form& form) override;
    void DoEvents() override;
    void Beep() override;
    int SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) override;
    int StyledMessageBox(const platform::StyledMsgBoxRequest& request) override;
    int SystemMetric(int id) override;
    int TextWidth(const Form& form, const std::string& text) override;
    int TextHeight(const Form& form, const std::string& text, int width) override;
    void BringToFront(Form& form) override;
    std::string BrowseForFolder(const std::string& title, const std::string& startFolder,
                                bool newStyle) override;

    // Handles the keys that our windows treat as the forms' (Enter, Escape, Tab between
    // controls); true when the message was used up. Every message loop of ours calls it.
    bool PreTranslate(MSG& msg);

private:
    HWND OwnerWindow() const;
    FormWindow* WindowFor(HWND hwnd) const;

    HINSTANCE instance_;
    int dpi_ = 96;
    std::vector<FormWindow*> windows_;  // innermost last
    std::chrono::steady_clock::time_point lastSync_{};
};

// The window class of every form, the standard message boxes included; for tests and screenshots.
inline constexpr const wchar_t* FormClassName = L"ArdekoForm";

// Windows created while one of these lives are per-monitor aware (V2) where Windows offers it
// (10 1703 and later), whatever the host has set for its thread; elsewhere nothing changes and
// the windows use the system's DPI. The functions are looked up at run time, so that the
// add-in still loads on Windows 7.
class PerMonitorAwareness {
public:
    PerMonitorAwareness();
    ~PerMonitorAwareness();
    PerMonitorAwareness(const PerMonitorAwareness&) = delete;
    PerMonitorAwareness& operator=(const PerMonitorAwareness&) = delete;

private:
    void* previous_ = nullptr;
};

// The DPI a window is drawn at: its monitor's where Windows tells it, else the system's.
int DpiOf(HWND hwnd);

// Text as the Windows controls draw it: UTF-16 with CR LF line breaks (a lone CR or LF too).
std::wstring ControlText(const std::string& text);

// The title band's colours, from its left end to its right.
inline constexpr COLORREF BandLeft = RGB(0x0b, 0x3d, 0x91);
inline constexpr COLORREF BandRight = RGB(0x6c, 0x9b, 0xe0);

// Fills `r` with a gradient from `from` to `to`, left to right or top to bottom.
void FillGradient(HDC dc, const RECT& r, COLORREF from, COLORREF to, bool horizontal);

// Plays a sound file asynchronously when it exists; silent otherwise.
void PlaySoundFile(const std::string& file);

// Draws one of our pictures into the rectangle (logo, symbols, the picture buttons' images).
void DrawPicture(HDC dc, const RECT& r, const std::string& name);

}  // namespace win32
}  // namespace ardeko::ui

#pragma once
// The host's side of the dialogs an add-in opens: they run modally on the host's thread, so a
// thread timer watches for them from inside their message loop, the way a user sees them come
// up, and the screen can be saved as a picture meanwhile.
#include <windows.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace ardeko::officehost {

// The window classes of what an add-in's click can bring up: its forms, its own message boxes
// and the system's dialogs.
std::vector<std::wstring> AddinDialogClasses();

// Hands every shown, enabled top-level window of this thread whose class is one of `classes`
// to `onShown` once, after it has been up for `settle`. A window that is still up 30 s after
// it was handed over ends the process: a modal loop that nobody ends would hang the caller.
class DialogWatch {
public:
    using Handler = std::function<void(HWND)>;
    DialogWatch(std::vector<std::wstring> classes, Handler onShown,
                std::chrono::milliseconds settle = std::chrono::milliseconds(0));
    ~DialogWatch();
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;

    std::vector<std::string> seen;  // "ArdekoForm|title" in the order they came up

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Poll();
    std::vector<std::wstring> classes_;
    Handler onShown_;
    std::chrono::milliseconds settle_;
    std::set<HWND> handled_;
    HWND pending_ = nullptr;
    std::chrono::steady_clock::time_point pendingSince_, lastChange_;  // lastChange_: the last handover
    UINT_PTR timer_ = 0;
    bool busy_ = false;
    static inline DialogWatch* current_ = nullptr;
};

// The window's class and title ("ArdekoForm|Veltrano Archivierungs-Assistent"), title in UTF-8.
std::string Describe(HWND window);
// Asks the window to close as its close box does.
void CloseDialog(HWND window);
// Saves the whole screen as a PNG file; false when it cannot be written.
bool SaveScreenPng(const std::wstring& file);

}  // namespace ardeko::officehost

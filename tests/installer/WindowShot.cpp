// Waits for a window of the installer's to appear on the screen, prints its title and saves a
// picture of the screen, for the tests that look at the installer's pages.
//   window-shot.exe TITLE-PART FILE.png   (exit 1 when no such window appears within 20 s)
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/WinText.h"
#include "ui/win32/Capture.h"

namespace {

struct Search {
    std::wstring part;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    wchar_t title[512] = L"";
    GetWindowTextW(window, title, 512);
    if (IsWindowVisible(window) && std::wstring(title).find(search.part) != std::wstring::npos) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window-shot.exe TITLE-PART FILE.png\n");
        return 2;
    }
    Search search{argv[1]};
    for (int i = 0; i < 200 && !search.found; ++i) {
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    if (!search.found) return 1;
    Sleep(1000);  // the page draws itself
    wchar_t title[512] = L"";
    GetWindowTextW(search.found, title, 512);
    std::printf("%s\n", ardeko::win32::Utf8(title).c_str());
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return ardeko::ui::win32::SaveScreenPng(screen, argv[2]) ? 0 : 1;
}

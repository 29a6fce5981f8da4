// officehost.exe: the stand-in host as a program with a window of its own, for looking at the
// add-in by hand and for the demo. It starts like the host it plays, shows the add-in's ribbon
// buttons with the labels the add-in gives, can click one of them (or the File menu's button),
// save a picture of the screen while the dialog that the click opened is up, close it, and end
// the session. With --no-dialog the click must open no dialog at all: "Hilfe" with a manual
// beside the add-in hands the manual to the browser and shows no notice.
//
// With --time N it measures instead, warm (after one start that is not counted), best of N:
// what the add-in costs the host's start, from creating its object to the return of the last
// callback the host makes at start-up, against creating a trivial COM object; and the
// wizard's opening, from the click that calls ShowWizard to the end of the first WM_PAINT of
// its window.
//
//   officehost.exe HOST [--click ID-OR-LABEL | --menu] [--screenshot FILE.png] [--no-dialog]
//   officehost.exe HOST --time N
//   HOST: Word11, Word16, Excel12, PowerPoint14, Access11
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "officehost/OfficeHost.h"
#include "ui/win32/Capture.h"
#include "platform/win32/WinText.h"

using namespace ardeko::officehost;
using ardeko::win32::Utf8;
using ardeko::win32::Wide;

namespace {

OfficeHost* gHost = nullptr;

// The host's window: a title band with the tabs, and the add-in's group with its buttons.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT || !gHost) return DefWindowProcW(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client, band{0, 0, 0, 34}, ribbon{0, 34, 0, 150};
    GetClientRect(hwnd, &client);
    band.right = ribbon.right = client.right;
    const std::string app = gHost->kind.app;
    HBRUSH b = CreateSolidBrush(app == "Word" ? RGB(43, 87, 154) : app == "Excel" ? RGB(33, 115, 70)
                                : app == "PowerPoint" ? RGB(183, 71, 42) : RGB(164, 55, 58));
    FillRect(dc, &band, b);
    DeleteObject(b);
    FillRect(dc, &ribbon, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT tabs{14, 8, client.right, 30};
    DrawTextW(dc, L"Datei        Start        Einf\u00fcgen        Ansicht        Veltrano", -1, &tabs, DT_LEFT | DT_SINGLELINE);
    SetTextColor(dc, RGB(0, 0, 0));
    int x = 16;
    for (auto& a : gHost->addins)
        for (auto& button : a.buttons) {
            RECT r{x, 48, x + 150, 118};
            DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
            DrawTextW(dc, Wide(button.label.empty() ? button.id : button.label).c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
            x += 162;
        }
    RECT group{16, 122, client.right, 146}, page{client.right / 2 - 300, 170, client.right / 2 + 300, client.bottom};
    DrawTextW(dc, gHost->kind.Ribbon() ? L"Archivierungs-Assistent" : L"Datei \u25b8 Veltrano Archivierungs-Assistent...", -1,
              &group, DT_LEFT | DT_SINGLELINE);
    FillRect(dc, &page, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(hwnd, &ps);
    return 0;
}

void Pump(int ms) {
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms); std::chrono::steady_clock::now() < end;
         Sleep(10))
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
}

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
// CPU time of this process so far (user and kernel), in milliseconds: the figure that the
// machine's other load does not stretch, though the X server's and Wine server's share is not in it.
double CpuMs() {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    const auto ms = [](const FILETIME& f) { return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

// The first form window that comes up after `Arm`: the end of its first WM_PAINT is noted, and
// then the window is closed as its close box closes it.
struct FirstPaint {
    static inline Clock::time_point start;
    static inline double tookMs = -1;
    static inline HWND form = nullptr;
    static inline WNDPROC original = nullptr;
    static inline HHOOK hook = nullptr;

    static void Arm() {
        tookMs = -1, form = nullptr, start = Clock::now();
        hook = SetWindowsHookExW(WH_CBT, &Created, nullptr, GetCurrentThreadId());
    }
    static void Disarm() { UnhookWindowsHookEx(hook), hook = nullptr; }

    static LRESULT CALLBACK Created(int code, WPARAM wp, LPARAM lp) {
        if (code == HCBT_CREATEWND && !form) {
            const HWND w = reinterpret_cast<HWND>(wp);
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (!(reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs->style & WS_CHILD) && std::wstring(cls) == L"ArdekoForm") {
                form = w;
                original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
            }
        }
        return CallNextHookEx(hook, code, wp, lp);
    }
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        const LRESULT result = CallWindowProcW(original, w, msg, wp, lp);
        if (msg == WM_PAINT && tookMs < 0) {
            tookMs = Ms(Clock::now() - start);
            PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return result;
    }
};

// Best of the warm figures, and the first (cold) one.
struct Figures {
    std::vector<double> ms;
    double First() const { return ms.empty() ? -1 : ms.front(); }
    double Best() const { return ms.size() < 2 ? -1 : *std::min_element(ms.begin() + 1, ms.end()); }
};

int TimeStartAndWizard(const HostKind& kind, int rounds) {
    Figures floor, start, wizard, wizardCpu;
    CLSID trivial{};
    CLSIDFromProgID(L"Scripting.Dictionary", &trivial);
    for (int i = 0; i <= rounds; ++i) {
        const auto t = Clock::now();
        IUnknown* object = nullptr;
        if (SUCCEEDED(CoCreateInstance(trivial, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object))))
            object->Release();
        floor.ms.push_back(Ms(Clock::now() - t));
    }
    const std::string progId = std::string("VLT_Ardeko.Connect") +
                               (kind.app == std::string("Word") ? "WD" : kind.app == std::string("Excel") ? "XL"
                                : kind.app == std::string("PowerPoint") ? "PP" : "AC");
    for (int i = 0; i <= rounds; ++i) {
        OfficeHost host(kind);
        host.Start();
        LoadedAddIn* a = host.AddIn(progId);
        if (!a) {
            std::printf("%s: %s does not load\n", kind.Label().c_str(), progId.c_str());
            return 1;
        }
        start.ms.push_back(Ms(a->startup - a->parsing));
        DialogWatch safety({}, std::chrono::seconds(5));  // should the wizard never paint
        const double cpu = CpuMs();
        FirstPaint::Arm();
        bool cancel = false;
        if (kind.Ribbon()) host.ClickRibbon("btnAARun");
        else if (Control* b = host.MenuButton("VLTArdeko")) b->Click(cancel);
        FirstPaint::Disarm();
        wizard.ms.push_back(FirstPaint::tookMs);
        wizardCpu.ms.push_back(CpuMs() - cpu);  // up to the wizard's close: an upper bound
        host.Shutdown();
    }
    std::printf("%-13s add-in start %6.2f ms (first %6.2f ms; target: at most 20 ms), trivial COM object %5.3f ms"
                " (first %5.3f ms); wizard to its first WM_PAINT %6.1f ms (first %6.1f ms; target: at most 150 ms;"
                " CPU of the host process, up to the wizard closed: %.0f ms)\n",
                kind.Label().c_str(), start.Best(), start.First(), floor.Best(), floor.First(), wizard.Best(), wizard.First(),
                wizardCpu.Best());
    return start.Best() < 0 || wizard.Best() < 0;
}

std::string Hr(HRESULT hr) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(hr));
    return b;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
    const HostKind* kind = args.empty() ? nullptr : FindHostKind(args[0]);
    if (!kind) {
        std::fprintf(stderr, "usage: officehost.exe Word11|Word16|Excel12|PowerPoint14|Access11 "
                             "[--click ID-OR-LABEL | --menu] [--screenshot FILE.png] [--no-dialog]\n");
        return 2;
    }
    std::string click, screenshot;
    bool menu = false, noDialog = false;
    int timeRounds = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--click" && i + 1 < args.size()) click = args[++i];
        else if (args[i] == "--screenshot" && i + 1 < args.size()) screenshot = args[++i];
        else if (args[i] == "--menu") menu = true;
        else if (args[i] == "--no-dialog") noDialog = true;
        else if (args[i] == "--time" && i + 1 < args.size()) timeRounds = std::max(1, std::atoi(args[++i].c_str()));
    }

    // Single-threaded apartment, as the hosts run their add-ins.
    OleInitialize(nullptr);
    if (timeRounds > 0) {
        const int rc = TimeStartAndWizard(*kind, timeRounds);
        OleUninitialize();
        return rc;
    }
    int failures = 0;
    {
        OfficeHost host(*kind);
        gHost = &host;
        const WNDCLASSW wc{0, HostProc, 0, 0, GetModuleHandleW(nullptr), nullptr, LoadCursorW(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1), nullptr, L"ArdekoOfficeHost"};
        RegisterClassW(&wc);
        const std::wstring title = L"Dokument1 - Microsoft " + Wide(kind->app) + L" " + std::to_wstring(kind->major) + L".0";
        HWND window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 1180, 900,
                                      nullptr, nullptr, wc.hInstance, nullptr);
        Pump(200);

        host.Start();
        if (host.addins.empty()) {
            std::printf("no add-in loads at start-up in %s\n", kind->Label().c_str());
            ++failures;
        }
        for (const auto& a : host.addins) {
            std::printf("%s\\%s: created %s, connected %s", a.root.c_str(), a.progId.c_str(), Hr(a.created).c_str(), Hr(a.connected).c_str());
            if (kind->Ribbon()) std::printf(", GetCustomUI %s, %s %s", Hr(a.customUi).c_str(), a.onLoadName.c_str(), a.onLoad ? "ok" : "failed");
            std::printf("\n");
            failures += FAILED(a.created) || FAILED(a.connected);
            for (const auto& b : a.buttons) std::printf("  ribbon button %s: \"%s\"\n", b.id.c_str(), b.label.c_str());
        }
        if (Control* b = host.MenuButton("VLTArdeko")) std::printf("  File menu button: \"%s\"\n", b->props["Caption"].c_str());
        InvalidateRect(window, nullptr, TRUE);
        Pump(300);

        if (!click.empty() || menu) {
            // The dialog the click opens: saved as a picture once it has drawn itself, then closed.
            DialogWatch watch([&](HWND) {
                if (screenshot.empty()) return;
                const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
                const bool saved = ardeko::ui::win32::SaveScreenPng(screen, Wide(screenshot));
                std::printf("%s %s\n", saved ? "saved" : "could not save", screenshot.c_str());
                failures += !saved;
            }, std::chrono::milliseconds(screenshot.empty() ? 100 : 1500));
            bool clicked = false, cancel = false;
            if (menu) {
                Control* b = host.MenuButton("VLTArdeko");
                clicked = b && SUCCEEDED(b->Click(cancel));
            } else {
                clicked = host.ClickRibbon(click);
            }
            std::printf("clicked %s: %s\n", menu ? "the File menu's button" : click.c_str(), clicked ? "ok" : "failed");
            for (const auto& s : watch.seen) std::printf("  it opened %s\n", s.c_str());
            failures += !clicked || (noDialog ? !watch.seen.empty() : watch.seen.empty());
        }

        host.Shutdown();
        for (const auto& a : host.addins)
            if (SUCCEEDED(a.connected))
                std::printf("%s: OnBeginShutdown %s, OnDisconnection %s\n", a.progId.c_str(), Hr(a.beginShutdown).c_str(),
                            Hr(a.disconnected).c_str());
        DestroyWindow(window);
        gHost = nullptr;
    }
    OleUninitialize();
    return failures ? 1 : 0;
}

// officehost.exe: the stand-in host as a program with a window of its own, for looking at the
// add-in by hand and for the demo. It starts like the host it plays, shows the add-in's ribbon
// buttons with the labels the add-in gives, can click one of them (or the File menu's button),
// save a picture of the screen while the dialog that the click opened is up, close it, and end
// the session. With --no-dialog the click must open no dialog at all: "Hilfe" with a manual
// beside the add-in hands the manual to the browser and shows no notice.
//
//   officehost.exe HOST [--click ID-OR-LABEL | --menu] [--screenshot FILE.png] [--no-dialog]
//   HOST: Word11, Word16, Excel12, PowerPoint14, Access11
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "officehost/OfficeHost.h"
#include "officehost/Screen.h"
#include "platform/win32/WinText.h"

using namespace ardeko::officehost;
using ardeko::win32::Utf8;
using ardeko::win32::Wide;

namespace {

OfficeHost* gHost = nullptr;

// The host's window: a title band, the tab row and the add-in's group with its buttons.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT && gHost) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        const COLORREF band = std::string(gHost->kind.app) == "Word" ? RGB(43, 87, 154)
                            : std::string(gHost->kind.app) == "Excel" ? RGB(33, 115, 70)
                            : std::string(gHost->kind.app) == "PowerPoint" ? RGB(183, 71, 42) : RGB(164, 55, 58);
        HBRUSH b = CreateSolidBrush(band);
        RECT top{0, 0, client.right, 34};
        FillRect(dc, &top, b);
        DeleteObject(b);
        SetBkMode(dc, TRANSPARENT);
        HFONT font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
        HGDIOBJ oldFont = SelectObject(dc, font);
        SetTextColor(dc, RGB(255, 255, 255));
        int x = 14;
        for (const wchar_t* tab : {L"Datei", L"Start", L"Einf\u00fcgen", L"Ansicht", L"Veltrano"}) {
            RECT t{x, 8, x + 110, 30};
            DrawTextW(dc, tab, -1, &t, DT_LEFT | DT_SINGLELINE);
            x += 90;
        }
        RECT ribbon{0, 34, client.right, 150};
        FillRect(dc, &ribbon, GetSysColorBrush(COLOR_BTNFACE));
        SetTextColor(dc, RGB(0, 0, 0));
        x = 16;
        for (auto& a : gHost->addins)
            for (auto& button : a.buttons) {
                RECT r{x, 48, x + 150, 118};
                DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
                const std::wstring label = Wide(button.label.empty() ? button.id : button.label);
                DrawTextW(dc, label.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
                x += 162;
            }
        RECT group{16, 122, x, 146};
        DrawTextW(dc, gHost->kind.Ribbon() ? L"Archivierungs-Assistent" : L"Datei \u25b8 Veltrano Archivierungs-Assistent...", -1,
                  &group, DT_LEFT | DT_SINGLELINE);
        RECT page{client.right / 2 - 300, 170, client.right / 2 + 300, client.bottom};
        FillRect(dc, &page, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectObject(dc, oldFont);
        DeleteObject(font);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MSG m;
    while (std::chrono::steady_clock::now() < end) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
}

std::string Hr(HRESULT hr) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(hr));
    return b;
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
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
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--click" && i + 1 < args.size()) click = args[++i];
        else if (args[i] == "--screenshot" && i + 1 < args.size()) screenshot = args[++i];
        else if (args[i] == "--menu") menu = true;
        else if (args[i] == "--no-dialog") noDialog = true;
    }

    // Single-threaded apartment, as the hosts run their add-ins.
    OleInitialize(nullptr);
    int failures = 0;
    {
        OfficeHost host(*kind);
        gHost = &host;
        WNDCLASSEXW wc{sizeof wc};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = L"ArdekoOfficeHost";
        RegisterClassExW(&wc);
        const std::wstring title = L"Dokument1 - " + Wide(kind->Name()) + L" " + Wide(kind->version);
        HWND window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 1180, 900,
                                      nullptr, nullptr, wc.hInstance, nullptr);
        Pump(200);

        host.Start();
        host.LabelButtons();
        if (host.addins.empty()) {
            std::printf("no add-in loads at start-up in %s\n", kind->Label().c_str());
            ++failures;
        }
        for (const auto& s : host.skipped) std::printf("skipped %s\n", s.c_str());
        for (const auto& a : host.addins) {
            std::printf("%s\\%s: created %s, connected %s", a.root.c_str(), a.progId.c_str(), Hr(a.created).c_str(), Hr(a.connected).c_str());
            if (kind->Ribbon()) std::printf(", GetCustomUI %s, %s %s", Hr(a.customUi).c_str(), a.onLoadName.c_str(), Hr(a.onLoad).c_str());
            std::printf("\n");
            failures += FAILED(a.created) || FAILED(a.connected);
            for (const auto& b : a.buttons) std::printf("  ribbon button %s: \"%s\"\n", b.id.c_str(), b.label.c_str());
        }
        if (Control* b = host.MenuButton("VLTArdeko")) std::printf("  File menu button: \"%s\"\n", b->props["Caption"].c_str());
        InvalidateRect(window, nullptr, TRUE);
        Pump(300);

        if (!click.empty() || menu) {
            // The dialog the click opens: saved as a picture once it has drawn itself, then closed.
            DialogWatch watch(AddinDialogClasses(), [&](HWND dialog) {
                if (!screenshot.empty()) {
                    const bool saved = SaveScreenPng(Wide(screenshot));
                    std::printf("%s %s\n", saved ? "saved" : "could not save", screenshot.c_str());
                    failures += !saved;
                }
                CloseDialog(dialog);
            }, std::chrono::milliseconds(screenshot.empty() ? 100 : 1500));
            HRESULT hr = E_FAIL;
            if (menu) {
                bool cancel = false;
                Control* b = host.MenuButton("VLTArdeko");
                hr = b ? b->Click(cancel) : DISP_E_MEMBERNOTFOUND;
                std::printf("clicked the File menu's button: %s\n", Hr(hr).c_str());
            } else {
                std::string id = click;
                for (const auto& a : host.addins)
                    for (const auto& b : a.buttons)
                        if (b.label == click) id = b.id;
                hr = host.ClickRibbon(id);
                std::printf("clicked %s: %s\n", id.c_str(), Hr(hr).c_str());
            }
            for (const auto& s : watch.seen) std::printf("  it opened %s\n", s.c_str());
            failures += FAILED(hr) || (noDialog ? !watch.seen.empty() : watch.seen.empty());
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
    LocalFree(argv);
    return failures ? 1 : 0;
}

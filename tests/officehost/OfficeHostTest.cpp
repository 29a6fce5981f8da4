// The real add-in library loaded by the stand-in hosts over COM, as Word 11 and 16, Excel 12,
// PowerPoint 14 and Access 11 load it: registered machine-wide with regsvr32 beforehand,
// started from the hosts' add-in lists, its File-menu button or ribbon driven and its dialogs
// closed as a user closes them. Runs under Wine on a virtual screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "officehost/OfficeHost.h"
#include "platform/win32/WinText.h"

namespace ardeko::officehost {
namespace {

using win32::Wide;

constexpr const char* kTag = "VLTArdeko";
constexpr const wchar_t* kLanguageKey = L"Software\\VB and VBA Program Settings\\Veltrano\\OffArdeko";

std::wstring gFolder;  // where the test's copy of the library lies, with or without Logo.bmp
std::wstring gLibrary, gShippedLogo;
std::string gRegistrationError;  // why the library is not registered; empty once it is

// regsvr32's exit code.
int Regsvr32(const std::wstring& options) { return _wsystem((L"regsvr32.exe " + options + L" \"" + gLibrary + L"\"").c_str()); }

std::optional<DWORD> LoadBehaviour(HKEY root, const std::string& app, const std::string& progId) {
    const std::wstring key = L"Software\\Microsoft\\Office\\" + Wide(app) + L"\\Addins\\" + Wide(progId);
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(root, key.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) return std::nullopt;
    return value;
}

void SetLanguage(std::optional<int> lang) {
    const std::wstring v = lang ? std::to_wstring(*lang) : L"";
    if (!lang) RegDeleteKeyValueW(HKEY_CURRENT_USER, kLanguageKey, L"CurrLang");
    else RegSetKeyValueW(HKEY_CURRENT_USER, kLanguageKey, L"CurrLang", REG_SZ, v.c_str(), static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
}

std::string ProgIdOf(const HostKind& k) {
    const std::string app = k.app;
    return "VLT_Ardeko.Connect" + std::string(app == "Word" ? "WD" : app == "Excel" ? "XL" : app == "PowerPoint" ? "PP" : "AC");
}

// The library, copied into a folder of the test's own, registered machine-wide for the whole
// run and removed again at the end.
class Registration : public ::testing::Environment {
public:
    void SetUp() override {
        const char* built = std::getenv("ARDEKO_ADDIN_DLL");
        if (!built) {
            gRegistrationError = "ARDEKO_ADDIN_DLL names the built OffArdeko.dll";
            return;
        }
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        gFolder = std::wstring(temp) + L"ardeko-officehost";
        CreateDirectoryW(gFolder.c_str(), nullptr);
        gLibrary = gFolder + L"\\OffArdeko.dll";
        // Under Wine the build tree is drive Z:.
        std::string path = built;
        if (path.starts_with('/')) std::replace(path.begin(), path.end(), '/', '\\'), path = "Z:" + path;
        gShippedLogo = Wide(path.substr(0, path.rfind('\\')) + "\\Logo.bmp");  // the build puts it beside the library
        if (!CopyFileW(Wide(path).c_str(), gLibrary.c_str(), FALSE))
            gRegistrationError = std::string("cannot copy ") + built;
        else if (const int rc = Regsvr32(L"/s /n /i:machine"); rc != 0)
            gRegistrationError = "regsvr32 /s /n /i:machine ended with " + std::to_string(rc);
        registered_ = gRegistrationError.empty();
    }
    void TearDown() override {
        if (!registered_) return;
        EXPECT_EQ(Regsvr32(L"/s /u /n /i:machine"), 0);
        for (const auto& k : HostKinds())
            EXPECT_FALSE(LoadBehaviour(HKEY_LOCAL_MACHINE, k.app, ProgIdOf(k))) << k.app << "'s entry is left behind";
        SetLanguage(std::nullopt);
    }

private:
    bool registered_ = false;
};

std::string Golden() {
    std::ifstream in(ARDEKO_GOLDEN_RIBBON, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// --- the add-in in every host ---

struct HostCase {
    const char* host;
    bool logo;      // Logo.bmp lies beside the library
    int position;   // the button's place in the File menu, 1-based (0: a ribbon host)
};

class AddinInHost : public ::testing::TestWithParam<HostCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(gRegistrationError, "");
        kind_ = FindHostKind(GetParam().host);
        ASSERT_NE(kind_, nullptr);
        DeleteFileW((gFolder + L"\\Logo.bmp").c_str());
        if (GetParam().logo) {
            ASSERT_TRUE(CopyFileW(gShippedLogo.c_str(), (gFolder + L"\\Logo.bmp").c_str(), FALSE));
        }
        SetLanguage(std::nullopt);
    }
    const HostKind* kind_ = nullptr;
};

TEST_P(AddinInHost, ConnectsWithItsButtonOrRibbonAndLeavesNothingBehind) {
    const HostCase& c = GetParam();
    OfficeHost host(*kind_);
    Control* stale = host.fileMenu->Append(1, 1, kTag);  // left by a host that ended without unloading the add-in
    Ref<Control> keepStale(stale);
    host.state.templateSaved = false;
    host.Start();

    LoadedAddIn* addin = host.AddIn(ProgIdOf(*kind_));
    ASSERT_NE(addin, nullptr) << "not loaded";
    EXPECT_EQ(addin->created, S_OK);
    EXPECT_EQ(addin->connected, S_OK);
    EXPECT_EQ(addin->root, "HKLM");
    EXPECT_EQ(LoadBehaviour(HKEY_LOCAL_MACHINE, kind_->app, ProgIdOf(*kind_)), 3u) << "it loads at every start";
    EXPECT_EQ(host.state.templateSaved, host.state.word) << "Word's normal template is left saved";

    Control* button = host.MenuButton(kTag);
    if (c.position) {
        EXPECT_TRUE(stale->deleted) << "the earlier session's button is removed";
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(host.fileMenu->items.size(), 6u);
        EXPECT_EQ(host.fileMenu->items.at(static_cast<std::size_t>(c.position - 1)).get(), button);
        EXPECT_TRUE(button->temporary && button->type == 1);
        EXPECT_EQ(button->sinks.size(), 1u) << "the add-in listens to the button's click";
        std::map<std::string, std::string> want{{"Style", "3"}, {"Caption", "Veltrano Archivierungs-Assistent..."},
            {"FaceId", "1022"}, {"Tag", kTag}, {"BeginGroup", "-1"}, {"Priority", "1"}, {"OnAction", "!<" + ProgIdOf(*kind_) + ">"}};
        if (c.logo) want["Picture"] = "bitmap 16x16";
        EXPECT_EQ(button->props, want);
    } else {
        EXPECT_EQ(button, stale) << "a ribbon host gets no button, and an old one is not looked for";
        EXPECT_EQ(addin->customUi, S_OK);
        EXPECT_EQ(addin->customUiXml, Golden());
        EXPECT_EQ(addin->onLoadName, "RibbonOnLoad");
        EXPECT_TRUE(addin->onLoad);
    }

    // Removing the button changes Word's template; the add-in gives it back the state it had.
    const bool savedBefore = c.logo || c.position == 0;
    host.state.templateSaved = savedBefore;
    host.Shutdown();
    EXPECT_EQ(addin->beginShutdown, S_OK);
    EXPECT_EQ(addin->disconnected, S_OK);
    // The add-in removes its button by its tag, a ribbon host's stale one too.
    EXPECT_TRUE(stale->deleted && host.MenuButton(kTag) == nullptr);
    EXPECT_TRUE(button == nullptr || button->sinks.empty()) << "the click event is let go";
    EXPECT_EQ(host.state.templateSaved, savedBefore || !host.state.word);
    EXPECT_EQ(host.state.templateWrites > 0, host.state.word) << "only Word's template is looked after";
}

TEST_P(AddinInHost, ItsButtonOpensTheWizardAFreshOneOnEveryClick) {
    const HostCase& c = GetParam();
    OfficeHost host(*kind_);
    host.Start();
    ASSERT_NE(host.AddIn(ProgIdOf(*kind_)), nullptr);
    for (int click = 1; click <= 2; ++click) {
        SCOPED_TRACE("click " + std::to_string(click));
        DialogWatch watch;
        if (c.position) {
            Control* button = host.MenuButton(kTag);
            ASSERT_NE(button, nullptr);
            bool cancel = click == 2;
            EXPECT_EQ(button->Click(cancel), S_OK);
            EXPECT_EQ(cancel, click == 2) << "CancelDefault is left alone";
        } else {
            EXPECT_TRUE(host.ClickRibbon("btnAARun"));
        }
        ASSERT_EQ(watch.seen.size(), 1u);
        EXPECT_EQ(watch.seen[0].substr(0, 11), "ArdekoForm|") << watch.seen[0];
    }
    host.Shutdown();
}

INSTANTIATE_TEST_SUITE_P(Hosts, AddinInHost,
                         ::testing::Values(HostCase{"Word11", false, 4}, HostCase{"Word16", true, 0}, HostCase{"Excel12", true, 0},
                                           HostCase{"PowerPoint14", false, 0}, HostCase{"Access11", true, 5}),
                         [](const auto& p) { return std::string(p.param.host); });

// --- the ribbon's callbacks ---

struct RibbonCase {
    std::optional<int> lang;  // CurrLang in the settings; nothing: not set (German)
    const char* id;
    const char* image;
    const char* label;
    std::optional<std::string> screentip, supertip;  // nothing: an empty variant
    const char* opens;  // the window a click brings up ("" for none)
};

TEST(RibbonCallbacks, FollowTheLanguageAndIgnoreIdsOfAnotherCase) {
    const std::string deSuper = "Es wird ein Dialog angezeigt, über den Sie festlegen, wie Dokumente, Arbeitsmappen, "
                                "Datenbanken und Präsentationen archiviert werden sollen...";
    const std::string enSuper = "A dialog will be displayed where you can select how to archive documents, workbooks, databases and presentations...";
    const RibbonCase cases[] = {
        {std::nullopt, "btnAARun", "CopyToFolder", "Archivierungs- Assistent", "Archivierungs-Assistent aufrufen", deSuper, "ArdekoForm"},
        // No manual lies beside the test's copy of the library: Help shows the notice instead.
        {0, "btnAAHelp", "", "Hilfe", "Hilfe zum Add-In anzeigen", std::nullopt, "ArdekoForm"},  // the notice, a form of its own
        {0, "btnAAInfo", "", "Info", "Infos zum Add-In anzeigen", std::nullopt, "ArdekoForm"},
        {1, "btnAARun", "CopyToFolder", "Invoke Archiving Wizard", "Invoke Archiving Wizard", enSuper, "ArdekoForm"},
        {1, "btnAAHelp", "", "Help", "Show help for this add in", std::nullopt, "ArdekoForm"},  // the notice, a form of its own
        {2, "btnAAInfo", "", "About", "Show infos for this add in", std::nullopt, "ArdekoForm"},
        {0, "BTNAARUN", "", "", std::nullopt, std::nullopt, ""},
        {1, "btnaainfo", "", "", std::nullopt, std::nullopt, ""},
    };
    ASSERT_EQ(gRegistrationError, "");
    for (const char* hostName : {"Word16", "Excel12", "PowerPoint14"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(hostName) + " " + c.id + " / CurrLang " + (c.lang ? std::to_string(*c.lang) : "unset"));
            SetLanguage(c.lang);
            OfficeHost host(*FindHostKind(hostName));
            host.Start();
            LoadedAddIn* addin = host.AddIn(ProgIdOf(host.kind));
            ASSERT_NE(addin, nullptr);
            const auto text = [&](const char* callback) {
                const auto answer = host.Callback(*addin, callback, c.id);
                EXPECT_TRUE(answer.ok) << callback;
                return answer.text;
            };
            EXPECT_EQ(text("GetImage"), std::optional<std::string>(c.image));
            EXPECT_EQ(text("GetLabel"), std::optional<std::string>(c.label));
            EXPECT_EQ(text("getscreentip"), c.screentip) << "callback names are looked up without regard to case";
            EXPECT_EQ(text("GetSupertip"), c.supertip);

            DialogWatch watch;
            EXPECT_TRUE(host.Callback(*addin, "RibbonHandler", c.id).ok);
            std::string opened;
            for (const auto& s : watch.seen) opened += s.substr(0, s.find('|'));
            EXPECT_EQ(opened, c.opens) << (watch.seen.empty() ? "" : watch.seen[0]);
            host.Shutdown();
        }
    }
    SetLanguage(std::nullopt);
}

// --- a fault in the add-in ---

// Adds a window's text to the std::string at `texts`.
BOOL CALLBACK AddText(HWND c, LPARAM texts) {
    wchar_t t[512] = {};
    GetWindowTextW(c, t, 512);
    *reinterpret_cast<std::string*>(texts) += win32::Utf8(t) + "|";
    return TRUE;
}

// A window of the host whose procedure faults on WM_APP. Posted while the wizard is up, the
// message is dispatched by the wizard's loop, so the fault passes through the add-in's frames.
LRESULT CALLBACK FaultingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) *static_cast<volatile int*>(nullptr) = 1;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Run in a process of its own: the add-in stays loaded and refuses its commands after the fault.
TEST(AFault, EndsTheCommandWithTheBoxAndTheAddinRefusesFurtherCommandsWhileTheHostLivesOn) {
    ASSERT_EQ(gRegistrationError, "");
    SetLanguage(std::nullopt);
    const WNDCLASSW wc{0, FaultingProc, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, L"ArdekoFaultingHost"};
    RegisterClassW(&wc);
    HWND hostWindow = CreateWindowExW(0, wc.lpszClassName, L"Dokument1", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                      nullptr, nullptr, wc.hInstance, nullptr);
    OfficeHost host(*FindHostKind("Word16"));
    host.Start();
    LoadedAddIn* addin = host.AddIn(ProgIdOf(host.kind));
    ASSERT_NE(addin, nullptr);
    const std::string box = "#32770|Veltrano Archivierungs-Assistent v3.00";
    {
        HWND wizard = nullptr;
        std::string boxText;
        DialogWatch watch([&](HWND w) {
            if (!wizard) PostMessageW(hostWindow, WM_APP, 0, 0), wizard = w;
            else EnumChildWindows(w, &AddText, reinterpret_cast<LPARAM>(&boxText));
        });
        EXPECT_TRUE(host.ClickRibbon("btnAARun"));
        ASSERT_EQ(watch.seen.size(), 2u);
        EXPECT_EQ(watch.seen[0].substr(0, 11), "ArdekoForm|");
        EXPECT_EQ(watch.seen[1], box);
        EXPECT_NE(boxText.find("Error displaying dialog: Access violation (exception 0xC0000005)"), std::string::npos) << boxText;
        EXPECT_FALSE(IsWindow(wizard)) << "the wizard is closed";
        EXPECT_TRUE(IsWindowEnabled(hostWindow)) << "the host's window is usable again";
    }
    for (const char* button : {"btnAAInfo", "btnAARun"}) {
        DialogWatch watch;
        EXPECT_TRUE(host.ClickRibbon(button));
        EXPECT_EQ(watch.seen, std::vector<std::string>{box}) << button << " is refused";
    }
    {
        // A fault in the add-in's own code (the control it is handed points nowhere), outside a
        // command: the call ends, nothing more is shown.
        DialogWatch watch;
        host.brokenControl = true;
        EXPECT_TRUE(host.Callback(*addin, "GetLabel", "btnAARun").ok);
        host.brokenControl = false;
        EXPECT_TRUE(watch.seen.empty());
    }
    host.Shutdown();
    EXPECT_EQ(addin->disconnected, S_OK);
    DestroyWindow(hostWindow);
}

}  // namespace
}  // namespace ardeko::officehost

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ardeko::officehost::Registration);
    OleInitialize(nullptr);  // the hosts' apartment: single-threaded
    const int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}

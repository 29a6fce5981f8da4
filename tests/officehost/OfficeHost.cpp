#include "officehost/OfficeHost.h"

#include <initguid.h>
// The add-in's type library: the connection and ribbon interfaces as the hosts declare them.
#include "OffArdeko_h.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ardeko::officehost {

namespace {

constexpr long kConnectAtStartup = 1;   // ext_cm_Startup
constexpr long kRemoveAtShutdown = 0;   // ext_dm_HostShutdown
constexpr DWORD kLoadAtStartup = 3;

// The empty custom array that every connection call gets.
class EmptyArray {
public:
    EmptyArray() : a_(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
    ~EmptyArray() { if (a_) SafeArrayDestroy(a_); }
    EmptyArray(const EmptyArray&) = delete;
    EmptyArray& operator=(const EmptyArray&) = delete;
    SAFEARRAY** operator&() { return &a_; }

private:
    SAFEARRAY* a_;
};

std::vector<std::pair<std::string, DWORD>> AddinEntries(HKEY root, const std::string& app) {
    std::vector<std::pair<std::string, DWORD>> out;
    HKEY key = nullptr;
    const std::wstring path = L"Software\\Microsoft\\Office\\" + win32::Wide(app) + L"\\Addins";
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DWORD behaviour = 0, size = sizeof behaviour, type = 0;
        HKEY entry = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &entry) == ERROR_SUCCESS) {
            if (RegQueryValueExW(entry, L"LoadBehavior", nullptr, &type, reinterpret_cast<BYTE*>(&behaviour), &size) != ERROR_SUCCESS ||
                type != REG_DWORD)
                behaviour = 0;
            RegCloseKey(entry);
        }
        out.emplace_back(win32::Utf8(name), behaviour);
    }
    RegCloseKey(key);
    return out;
}

}  // namespace

const std::vector<HostKind>& HostKinds() {
    static const std::vector<HostKind> kinds{
        {"Word", "11.0", "Microsoft.Word.Document"},
        {"Word", "16.0", "Microsoft.Word.Document"},
        {"Excel", "12.0", "Microsoft.Excel.Workbook"},
        {"PowerPoint", "14.0", "Microsoft.PowerPoint.Presentation"},
        {"Access", "11.0", "Microsoft.Access.Database"},
    };
    return kinds;
}

const HostKind* FindHostKind(const std::string& label) {
    std::string wanted;
    for (char c : label)
        if (c != ' ') wanted += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& k : HostKinds()) {
        std::string app;
        for (const char* p = k.app; *p; ++p) app += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
        if (wanted == app || wanted == app + k.version || wanted == app + std::to_string(k.Major())) return &k;
    }
    return nullptr;
}

std::string XmlElement::Attribute(const std::string& key) const {
    for (const auto& [k, v] : attributes)
        if (k == key) return v;
    return {};
}

std::vector<XmlElement> ScanElements(const std::string& xml) {
    // Start tags only, with their attributes; enough for the callbacks a ribbon names.
    std::vector<XmlElement> out;
    std::size_t i = 0;
    const auto space = [&](std::size_t at) { return at < xml.size() && std::isspace(static_cast<unsigned char>(xml[at])); };
    while ((i = xml.find('<', i)) != std::string::npos) {
        ++i;
        if (i >= xml.size() || xml[i] == '/' || xml[i] == '?' || xml[i] == '!') continue;
        XmlElement e;
        while (i < xml.size() && !space(i) && xml[i] != '>' && xml[i] != '/') e.name += xml[i++];
        for (;;) {
            while (space(i)) ++i;
            if (i >= xml.size() || xml[i] == '>' || xml[i] == '/') break;
            std::string key;
            while (i < xml.size() && xml[i] != '=' && !space(i) && xml[i] != '>') key += xml[i++];
            while (space(i)) ++i;
            if (i >= xml.size() || xml[i] != '=') break;
            ++i;
            while (space(i)) ++i;
            if (i >= xml.size() || (xml[i] != '"' && xml[i] != '\'')) break;
            const char quote = xml[i++];
            const std::size_t end = xml.find(quote, i);
            if (end == std::string::npos) break;
            e.attributes.emplace_back(key, xml.substr(i, end - i));
            i = end + 1;
        }
        out.push_back(std::move(e));
    }
    return out;
}

OfficeHost::OfficeHost(const HostKind& hostKind) : kind(hostKind) {
    state.word = std::string(kind.app) == "Word";
    app = Ref<ApplicationObject>::Adopt(new ApplicationObject(state, kind.Name(), kind.version, "8169"));
    // The menu bar's File menu with five built-in entries, as every host version has it.
    fileMenu = app->commandBars->menuBar->Append(10, kFileMenuId);
    for (int entry : {18, 23, 106, 3, 4}) fileMenu->Append(1, entry);
    ribbonUi = Ref<RibbonUIObject>::Adopt(new RibbonUIObject());
}

OfficeHost::~OfficeHost() { Shutdown(); }

void OfficeHost::Start() {
    std::vector<std::string> seen;
    for (auto [root, name] : {std::pair{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}}) {
        for (const auto& [progId, behaviour] : AddinEntries(root, kind.app)) {
            if (behaviour != kLoadAtStartup) {
                skipped.push_back(std::string(name) + "\\" + progId + ": LoadBehavior " + std::to_string(behaviour));
                continue;
            }
            if (std::find(seen.begin(), seen.end(), progId) != seen.end()) continue;
            seen.push_back(progId);
            Load(name, progId);
        }
    }
}

void OfficeHost::Load(const std::string& root, const std::string& progId) {
    LoadedAddIn& a = addins.emplace_back();
    a.progId = progId, a.root = root;
    CLSID clsid{};
    a.created = CLSIDFromProgID(win32::Wide(progId).c_str(), &clsid);
    if (SUCCEEDED(a.created)) a.created = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(a.object.put()));
    if (FAILED(a.created)) return;
    a.callbacks = a.object.As<IDispatch>(IID_IDispatch);
    a.entry = Ref<COMAddInObject>::Adopt(new COMAddInObject(progId, "Veltrano"));
    auto ext = a.object.As<_IDTExtensibility2>(IID__IDTExtensibility2);
    if (!ext) {
        a.connected = E_NOINTERFACE;
        return;
    }
    EmptyArray custom;
    a.connected = ext->OnConnection(app.get(), kConnectAtStartup, a.entry.get(), &custom);
    if (FAILED(a.connected) || !kind.Ribbon()) return;

    auto ribbon = a.object.As<IRibbonExtensibility>(IID_IRibbonExtensibility);
    if (!ribbon) {
        a.customUi = E_NOINTERFACE;
        return;
    }
    Bstr id(win32::Wide(kind.ribbonId)), xml;
    a.customUi = ribbon->GetCustomUI(id.get(), xml.put());
    if (FAILED(a.customUi)) return;
    a.customUiXml = win32::Utf8(xml.str());
    for (const auto& e : ScanElements(a.customUiXml)) {
        if (e.name == "customUI") a.onLoadName = e.Attribute("onLoad");
        if (e.name == "button")
            a.buttons.push_back({e.Attribute("id"), e.Attribute("label"), e.Attribute("onAction"), e.Attribute("getLabel"),
                                 e.Attribute("getImage"), e.Attribute("getScreentip"), e.Attribute("getSupertip")});
    }
    if (!a.onLoadName.empty()) {
        Variant result;
        VARIANT arg;
        arg.vt = VT_DISPATCH, arg.pdispVal = ribbonUi.get();
        a.onLoad = CallByName(a.callbacks.get(), win32::Wide(a.onLoadName), DISPATCH_METHOD, {arg}, &result);
    }
}

LoadedAddIn* OfficeHost::AddIn(const std::string& progId) {
    for (auto& a : addins)
        if (_stricmp(a.progId.c_str(), progId.c_str()) == 0 && SUCCEEDED(a.connected)) return &a;
    return nullptr;
}

CallbackResult OfficeHost::Callback(LoadedAddIn& addin, const std::string& name, const std::string& controlId) {
    CallbackResult r;
    auto control = Ref<RibbonControlObject>::Adopt(new RibbonControlObject(controlId, app.get()));
    VARIANT arg;
    arg.vt = VT_DISPATCH, arg.pdispVal = static_cast<IDispatch*>(control.get());
    Variant result;
    r.hr = CallByName(addin.callbacks.get(), win32::Wide(name), DISPATCH_METHOD, {arg}, &result);
    r.type = result.vt;
    if (result.vt == VT_BSTR) r.text = win32::Utf8(FromBstr(result.bstrVal));
    r.idReads = control->idReads;
    return r;
}

void OfficeHost::LabelButtons() {
    for (auto& a : addins)
        for (auto& b : a.buttons)
            if (!b.getLabel.empty()) {
                const auto r = Callback(a, b.getLabel, b.id);
                if (SUCCEEDED(r.hr)) b.label = r.text;
            }
}

HRESULT OfficeHost::ClickRibbon(const std::string& buttonId, std::optional<std::string> asId) {
    for (auto& a : addins)
        for (auto& b : a.buttons)
            if (b.id == buttonId && !b.onAction.empty()) return Callback(a, b.onAction, asId.value_or(buttonId)).hr;
    return DISP_E_MEMBERNOTFOUND;
}

Control* OfficeHost::MenuButton(const std::string& tag) {
    return fileMenu->Find([&](Control& c) { return c.TagText() == tag; });
}

void OfficeHost::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (auto& a : addins) {
        if (FAILED(a.connected)) continue;
        auto ext = a.object.As<_IDTExtensibility2>(IID__IDTExtensibility2);
        EmptyArray custom;
        a.beginShutdown = ext->OnBeginShutdown(&custom);
    }
    for (auto& a : addins) {
        if (FAILED(a.connected)) continue;
        auto ext = a.object.As<_IDTExtensibility2>(IID__IDTExtensibility2);
        EmptyArray custom;
        a.disconnected = ext->OnDisconnection(kRemoveAtShutdown, &custom);
    }
}

std::string WindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

}  // namespace ardeko::officehost

#pragma once
// A stand-in Office host that starts the way the hosts start: it reads its add-in list from
// the registry, creates every add-in that loads at start-up, connects it, asks ribbon versions
// for their ribbon XML and drives the callbacks that the XML names, all over real COM.
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "officehost/HostObjects.h"

namespace ardeko::officehost {

struct HostKind {
    const char* app;       // "Word": the registry key and the application's name
    const char* version;   // "16.0"
    const char* ribbonId;  // what GetCustomUI is asked for
    std::string Name() const { return std::string("Microsoft ") + app; }
    int Major() const { return std::atoi(version); }
    bool Ribbon() const { return Major() >= 12; }
    std::string Label() const { return std::string(app) + " " + version; }
};

// Word 11 and 16, Excel 12, PowerPoint 14, Access 11.
const std::vector<HostKind>& HostKinds();
const HostKind* FindHostKind(const std::string& label);  // "Word 16.0", "Word16" or "Word"

// A button of the add-in's ribbon XML with the callbacks it names (empty: none).
struct RibbonButton {
    std::string id, label, onAction, getLabel, getImage, getScreentip, getSupertip;
};

// The XML's elements: the name and every attribute, for the few that a host reads.
struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string Attribute(const std::string& key) const;
};
std::vector<XmlElement> ScanElements(const std::string& xml);

// One add-in entry of the registry and how far its loading came.
struct LoadedAddIn {
    std::string progId, root;  // root: "HKCU" or "HKLM"
    HRESULT created = E_FAIL, connected = E_FAIL, customUi = S_FALSE, onLoad = S_FALSE;
    HRESULT beginShutdown = S_FALSE, disconnected = S_FALSE;
    Ref<IUnknown> object;
    Ref<IDispatch> callbacks;  // the add-in object's dispatch interface: the ribbon callbacks by name
    Ref<COMAddInObject> entry;
    std::string customUiXml;   // UTF-8
    std::string onLoadName;
    std::vector<RibbonButton> buttons;
};

// What a ribbon callback gave back.
struct CallbackResult {
    HRESULT hr = E_FAIL;
    VARTYPE type = VT_EMPTY;
    std::string text;  // a VT_BSTR result in UTF-8
    int idReads = 0;   // how often the callback asked the control for its id
};

class OfficeHost {
public:
    explicit OfficeHost(const HostKind& kind);
    ~OfficeHost();
    OfficeHost(const OfficeHost&) = delete;
    OfficeHost& operator=(const OfficeHost&) = delete;

    const HostKind& kind;
    HostState state;
    Ref<ApplicationObject> app;
    Control* fileMenu = nullptr;
    Ref<RibbonUIObject> ribbonUi;
    std::vector<LoadedAddIn> addins;
    std::vector<std::string> skipped;  // "HKCU\\VLT_Ardeko.ConnectWD: LoadBehavior 2"

    // Loads the add-ins that load at start-up, HKCU's entries before HKLM's.
    void Start();
    // The loaded add-in of this ProgId; null when it is not loaded.
    LoadedAddIn* AddIn(const std::string& progId);
    // Calls the callback `name` of `addin` by name with a ribbon control of id `controlId`.
    CallbackResult Callback(LoadedAddIn& addin, const std::string& name, const std::string& controlId);
    // Fills the buttons' labels through their getLabel callbacks (or their fixed labels).
    void LabelButtons();
    // A click on the ribbon button `buttonId`: its onAction with a control of id `asId`
    // (normally the same id). Fails when no loaded add-in has that button.
    HRESULT ClickRibbon(const std::string& buttonId, std::optional<std::string> asId = std::nullopt);
    // The File menu's button with this tag, or null.
    Control* MenuButton(const std::string& tag);
    // Ends the session like the host: OnBeginShutdown, then OnDisconnection to every add-in.
    void Shutdown();

private:
    void Load(const std::string& root, const std::string& progId);
    bool shutDown_ = false;
};

// The folder part of a Unix path as Wine's drive Z: sees it ("/a/b" -> "Z:\\a\\b"); other paths unchanged.
std::string WindowsPath(const std::string& path);

}  // namespace ardeko::officehost

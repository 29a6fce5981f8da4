#pragma once
// A stand-in Office host that starts the way the hosts start: it reads its add-in list from
// the registry, creates every add-in that loads at start-up, connects it, asks ribbon versions
// for their ribbon XML and drives the callbacks that the XML names, all over real COM. Its
// object model (application, command bars with a File menu, Word's normal template, the
// add-in's entry, the ribbon's control) is made of real late-bound COM objects, and everything
// an add-in changes is recorded, so that a test can look at the host afterwards as a user would.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The late-bound calls, reference holder and VARIANT conversions of the add-in serve the host too.
#include "addin/win32/Dispatch.h"

namespace ardeko::officehost {

using addin::win32::Arg;
using addin::win32::Ref;
using addin::win32::Variant;

inline constexpr int kFileMenuId = 30002;

template <class T, class... A>
Ref<T> Make(A&&... args) {
    return Ref<T>(new T(std::forward<A>(args)...), false);
}

// One call as a member sees it: the arguments in declared order, whether they came by position
// (last to first in rgvarg) or by name, by-reference ones followed, null when left out; and
// the value of a property put (null for a get or a method).
struct Call {
    std::vector<VARIANT*> args;
    VARIANT* put;
    VARIANT* result;
    const VARIANT* arg(std::size_t i) const { return i < args.size() ? args[i] : nullptr; }
};
HRESULT Return(VARIANT* result, Arg value);  // takes over a string; adds a reference to an object

// A late-bound object as the hosts serve them: names, and the parameter names of a member, are
// found without regard to case; members are added with Member().
class Object : public IDispatch {
public:
    using Handler = std::function<HRESULT(Call&)>;
    virtual ~Object() = default;
    void Member(const wchar_t* name, std::vector<std::wstring> params, Handler handler) {
        members_.push_back({name, std::move(params), std::move(handler)});
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = iid == IID_IUnknown || iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return n ? (*n = 0, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override;

private:
    struct Entry {
        std::wstring name;
        std::vector<std::wstring> params;
        Handler handler;
    };
    std::vector<Entry> members_;  // DISPID: index + 1
    addin::win32::RefCount refs_;
};

// What all objects of one host share: Word's template state.
struct HostState {
    bool word = false;
    bool templateSaved = true;
    int templateWrites = 0;
};

// A command-bar control: a popup (type 10) holding controls, or a button (type 1) whose click
// event is its own connection point.
class Control : public Object, public IConnectionPointContainer, public IConnectionPoint {
public:
    Control(HostState& state, int type, int id);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out && iid == IID_IConnectionPointContainer) return *out = static_cast<IConnectionPointContainer*>(this), AddRef(), S_OK;
        return Object::QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Object::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Object::Release(); }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override { return sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION; }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    // Set-up of the host.
    Control* Append(int type, int id, const std::string& tag = {});
    // The first control below this one that is `wanted`, depth-first in menu order.
    Control* Find(const std::function<bool(Control&)>& wanted);
    // A user's click: every connected sink gets Click(Ctrl, CancelDefault by reference).
    // The HRESULT of the last sink (S_FALSE: nobody listens); `cancel` as the sinks left it.
    HRESULT Click(bool& cancel);
    std::string Tag() const { return props.contains("Tag") ? props.at("Tag") : ""; }

    int type, id;
    bool temporary = false, deleted = false;
    std::map<std::string, std::string> props;  // as written, as Automation text: "FaceId" -> "1022", True -> "-1"
    std::vector<Ref<Control>> items;           // a popup's controls in menu order
    Control* owner = nullptr;
    std::map<DWORD, Ref<IDispatch>> sinks;

private:
    HostState& state_;
    DWORD nextCookie_ = 1;
};

struct HostKind {
    const char* app;       // "Word": the registry key and the application's name
    int major;             // 16
    const char* ribbonId;  // what GetCustomUI is asked for
    bool Ribbon() const { return major >= 12; }
    std::string Label() const { return app + std::to_string(major); }  // "Word16"
};

// Word 11 and 16, Excel 12, PowerPoint 14, Access 11.
const std::vector<HostKind>& HostKinds();
const HostKind* FindHostKind(const std::string& label);  // "Word16", any letter case

// A button of the add-in's ribbon XML with the callbacks it names (empty: none); its label is
// what getLabel gave at start-up. `getters`: every get... callback it names, as the host calls
// them at start-up.
struct RibbonButton {
    std::string id, label, onAction, getLabel;
    std::vector<std::string> getters;
};

// One add-in entry of the registry and how far its loading came.
struct LoadedAddIn {
    std::string progId, root;  // root: "HKCU" or "HKLM"
    HRESULT created = E_FAIL, connected = E_FAIL, customUi = S_FALSE;
    HRESULT beginShutdown = S_FALSE, disconnected = S_FALSE;
    bool onLoad = false;
    Ref<IUnknown> object;
    std::string customUiXml;  // UTF-8
    std::string onLoadName;
    std::vector<RibbonButton> buttons;
    // What the add-in cost the start: from creating its object to the return of the last
    // callback the host makes at start-up.
    std::chrono::steady_clock::duration startup{};
    std::chrono::steady_clock::duration parsing{};  // of that, the host's own reading of the XML
};

class OfficeHost {
public:
    explicit OfficeHost(const HostKind& kind);
    ~OfficeHost() { Shutdown(); }
    OfficeHost(const OfficeHost&) = delete;
    OfficeHost& operator=(const OfficeHost&) = delete;

    const HostKind& kind;
    HostState state;
    Ref<Object> app;
    Ref<Control> menuBar;
    Control* fileMenu = nullptr;
    std::vector<LoadedAddIn> addins;

    // Loads the add-ins that load at start-up, HKCU's entries before HKLM's.
    void Start();
    // The connected add-in of this ProgId; null when there is none.
    LoadedAddIn* AddIn(const std::string& progId);
    // Calls the callback `name` of `addin` by name with a ribbon control of id `controlId`.
    struct Answer {
        bool ok = false;
        std::optional<std::string> text;  // the result as text; nothing for an empty one
    };
    Answer Callback(LoadedAddIn& addin, const std::string& name, const std::string& controlId);
    // For the fault tests: the callbacks get a control that points nowhere, so that the add-in
    // faults in its own code as soon as it touches it.
    bool brokenControl = false;
    // A click on a ribbon button, named by its id or its label: its onAction. False when no
    // loaded add-in has that button or the call fails.
    bool ClickRibbon(const std::string& button);
    // The File menu's button with this tag, or null.
    Control* MenuButton(const std::string& tag) {
        return fileMenu->Find([&](Control& c) { return c.Tag() == tag; });
    }
    // Ends the session like the host: OnBeginShutdown, then OnDisconnection to every add-in.
    void Shutdown();

private:
    void Load(const std::string& root, const std::string& progId);
    bool shutDown_ = false;
};

// The dialogs an add-in opens run modally on the host's thread, so a thread timer watches for
// them from inside their message loop, the way a user sees them come up. Every shown, enabled
// top-level window of this thread that is one of the add-in's forms, its own message boxes or a
// system dialog is handed once, after it has been up for `settle`, to `onShown` (which may save
// the screen) and then closed as its close box closes it. A window still up 30 s after that
// ends the process: a modal loop that nobody ends would hang the caller.
class DialogWatch {
public:
    explicit DialogWatch(std::function<void(HWND)> onShown = {}, std::chrono::milliseconds settle = {});
    ~DialogWatch();
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;

    std::vector<std::string> seen;  // "ArdekoForm|title" in the order they came up

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Poll();
    std::function<void(HWND)> onShown_;
    std::chrono::milliseconds settle_;
    std::set<HWND> handled_;
    HWND pending_ = nullptr;
    std::chrono::steady_clock::time_point pendingSince_, lastChange_;  // lastChange_: the last handover
    UINT_PTR timer_ = 0;
    bool busy_ = false;
    static inline DialogWatch* current_ = nullptr;
};

}  // namespace ardeko::officehost

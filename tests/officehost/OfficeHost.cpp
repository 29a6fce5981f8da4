#include "officehost/OfficeHost.h"

#include <initguid.h>
// The add-in's type library: the connection and ribbon interfaces as the hosts declare them.
#include "OffArdeko_h.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <regex>

#include "platform/win32/WinText.h"
#include "ui/win32/Win32Ui.h"

namespace ardeko::officehost {

namespace {

using addin::win32::BoolOf;
using addin::win32::IntOf;
using addin::win32::ObjectOf;
using addin::win32::TextOf;
using win32::Utf8;
using win32::Wide;

// The command-bar button's event interface.
constexpr IID kButtonEventsIid = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kClickDispId = 1;
constexpr long kConnectAtStartup = 1;  // ext_cm_Startup
constexpr long kRemoveAtShutdown = 0;  // ext_dm_HostShutdown
constexpr DWORD kLoadAtStartup = 3;

template <class U>
Ref<U> Query(IUnknown* object, REFIID iid) {
    Ref<U> r;
    if (object) object->QueryInterface(iid, reinterpret_cast<void**>(r.out()));
    return r;
}

Ref<_IDTExtensibility2> Extensibility(const LoadedAddIn& a) {
    return Query<_IDTExtensibility2>(a.object.get(), IID__IDTExtensibility2);
}

// A connection call with the empty custom array that every one of them gets.
template <class F>
HRESULT WithCustom(F call) {
    SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    const HRESULT hr = call(&custom);
    SafeArrayDestroy(custom);
    return hr;
}

}  // namespace

HRESULT Return(VARIANT* result, Arg value) {
    if (value.value.vt == VT_DISPATCH && value.value.pdispVal) value.value.pdispVal->AddRef();
    if (result) *result = value.value;
    else VariantClear(&value.value);
    return S_OK;
}

// --- late-bound objects ---

HRESULT Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    std::fill(ids, ids + count, DISPID_UNKNOWN);
    for (std::size_t m = 0; m < members_.size(); ++m)
        if (_wcsicmp(members_[m].name.c_str(), names[0]) == 0) {
            ids[0] = static_cast<DISPID>(m + 1);
            const auto& params = members_[m].params;
            for (UINT i = 1; i < count; ++i)
                for (std::size_t p = 0; p < params.size(); ++p)
                    if (_wcsicmp(params[p].c_str(), names[i]) == 0) ids[i] = static_cast<DISPID>(p);
        }
    return std::find(ids, ids + count, DISPID_UNKNOWN) == ids + count ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT Object::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    const Entry& member = members_[static_cast<std::size_t>(id - 1)];
    Call call{std::vector<VARIANT*>(member.params.size()), nullptr, result};
    const auto given = [](VARIANT* v) -> VARIANT* {
        if (v->vt == (VT_BYREF | VT_VARIANT)) v = v->pvarVal;
        return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND ? nullptr : v;
    };
    const UINT named = p ? p->cNamedArgs : 0, positional = p ? p->cArgs - named : 0;
    if (positional > call.args.size()) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < positional; ++i) call.args[i] = given(&p->rgvarg[p->cArgs - 1 - i]);
    for (UINT i = 0; i < named; ++i) {
        const DISPID d = p->rgdispidNamedArgs[i];
        if (d == DISPID_PROPERTYPUT) call.put = given(&p->rgvarg[i]);
        else if (d >= 0 && static_cast<std::size_t>(d) < call.args.size()) call.args[static_cast<std::size_t>(d)] = given(&p->rgvarg[i]);
        else return DISP_E_BADPARAMCOUNT;
    }
    if (result) VariantInit(result);
    try {
        return member.handler(call);
    } catch (...) {  // a value that does not convert; nothing may leave through a COM call
        return DISP_E_EXCEPTION;
    }
}

// --- command-bar controls ---

Control::Control(HostState& state, int controlType, int controlId) : type(controlType), id(controlId), state_(state) {
    for (const wchar_t* name : {L"Caption", L"Tag", L"OnAction", L"Style", L"FaceId", L"Priority", L"BeginGroup", L"Picture"})
        Member(name, {}, [this, key = Utf8(name)](Call& c) {
            if (deleted) return E_FAIL;
            if (!c.put) return Return(c.result, Arg::Text(props[key]));
            if (key != "Picture") {
                props[key] = TextOf(*c.put);
                return S_OK;
            }
            // A picture object: what is recorded is its kind and size in pixels.
            auto picture = Query<IPicture>(ObjectOf(*c.put).get(), IID_IPicture);
            OLE_HANDLE handle = 0;
            BITMAP bm{};
            if (!picture || FAILED(picture->get_Handle(&handle)) ||
                !GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bm, &bm))
                return DISP_E_TYPEMISMATCH;
            props[key] = "bitmap " + std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight);
            return S_OK;
        });
    Member(L"Delete", {L"Temporary"}, [this](Call&) {
        if (deleted) return E_FAIL;
        deleted = true;
        sinks.clear();
        if (state_.word) state_.templateSaved = false;  // Word counts its template as changed
        if (owner) {
            Ref<Control> keep(this);  // the list holds what may be the last reference
            std::erase_if(owner->items, [this](const Ref<Control>& c) { return c.get() == this; });
        }
        return S_OK;
    });
    // A popup's controls: Count, Item and Add, on its list.
    Member(L"Controls", {}, [this](Call& call) {
        if (type != 10 || deleted) return DISP_E_MEMBERNOTFOUND;
        auto list = Make<Object>();
        Ref<Control> popup(this);
        list->Member(L"Count", {}, [popup](Call& c) { return Return(c.result, Arg::Int(static_cast<long>(popup->items.size()))); });
        list->Member(L"Item", {L"Index"}, [popup](Call& c) {
            const long i = c.arg(0) ? IntOf(*c.arg(0)) : 0;
            if (i < 1 || i > static_cast<long>(popup->items.size())) return DISP_E_BADINDEX;
            return Return(c.result, Arg::Object(popup->items[static_cast<std::size_t>(i - 1)].get()));
        });
        list->Member(L"Add", {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"}, [popup](Call& c) {
            const long count = static_cast<long>(popup->items.size());
            const long kind = c.arg(0) ? IntOf(*c.arg(0)) : 1, before = c.arg(3) ? IntOf(*c.arg(3)) : count + 1;
            if (kind != 1 && kind != 10) return DISP_E_TYPEMISMATCH;
            if (before < 1 || before > count + 1) return E_INVALIDARG;
            Control* added = popup->Append(static_cast<int>(kind), c.arg(1) ? static_cast<int>(IntOf(*c.arg(1))) : 1);
            added->temporary = c.arg(4) && BoolOf(*c.arg(4));
            std::rotate(popup->items.begin() + (before - 1), popup->items.end() - 1, popup->items.end());
            if (popup->state_.word) popup->state_.templateSaved = false;
            return Return(c.result, Arg::Object(added));
        });
        return Return(call.result, Arg::Object(list.get()));
    });
}

HRESULT Control::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != kButtonEventsIid || type != 1) return CONNECT_E_NOCONNECTION;
    *out = this;
    AddRef();
    return S_OK;
}

HRESULT Control::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    // The hosts ask the sink for the event interface; a plain dispatch sink is taken as well.
    auto d = Query<IDispatch>(sink, kButtonEventsIid);
    if (!d) d = Query<IDispatch>(sink, IID_IDispatch);
    if (!d) return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks[*cookie] = d;
    return S_OK;
}

Control* Control::Append(int childType, int childId, const std::string& tag) {
    auto c = Make<Control>(state_, childType, childId);
    c->owner = this;
    if (!tag.empty()) c->props["Tag"] = tag;
    items.push_back(c);
    return c.get();
}

Control* Control::Find(const std::function<bool(Control&)>& wanted) {
    for (const auto& c : items)
        if (Control* found = wanted(*c.get()) ? c.get() : c->Find(wanted)) return found;
    return nullptr;
}

HRESULT Control::Click(bool& cancel) {
    HRESULT hr = S_FALSE;
    Ref<Control> keep(this);  // a handler may delete the button
    const auto listening = sinks;
    for (const auto& [cookie, sink] : listening) {
        VARIANT_BOOL cancelDefault = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        VARIANT args[2];
        args[1].vt = VT_DISPATCH, args[1].pdispVal = static_cast<Object*>(this);  // Ctrl
        args[0].vt = VT_BOOL | VT_BYREF, args[0].pboolVal = &cancelDefault;        // CancelDefault
        DISPPARAMS params{args, nullptr, 2, 0};
        hr = sink->Invoke(kClickDispId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        cancel = cancelDefault != VARIANT_FALSE;
    }
    return hr;
}

// --- the host ---

const std::vector<HostKind>& HostKinds() {
    static const std::vector<HostKind> kinds{
        {"Word", 11, "Microsoft.Word.Document"},
        {"Word", 16, "Microsoft.Word.Document"},
        {"Excel", 12, "Microsoft.Excel.Workbook"},
        {"PowerPoint", 14, "Microsoft.PowerPoint.Presentation"},
        {"Access", 11, "Microsoft.Access.Database"},
    };
    return kinds;
}

const HostKind* FindHostKind(const std::string& label) {
    for (const auto& k : HostKinds())
        if (_stricmp(k.Label().c_str(), label.c_str()) == 0) return &k;
    return nullptr;
}

OfficeHost::OfficeHost(const HostKind& hostKind) : kind(hostKind) {
    state.word = std::string(kind.app) == "Word";
    // The menu bar's File menu with five built-in entries, as every host version has it.
    menuBar = Make<Control>(state, 10, 1);
    fileMenu = menuBar->Append(10, kFileMenuId);
    for (int entry : {18, 23, 106, 3, 4}) fileMenu->Append(1, entry);

    app = Make<Object>();
    const std::string version = std::to_string(kind.major) + ".0";
    for (auto [member, value] : {std::pair{L"Name", "Microsoft " + std::string(kind.app)}, {L"Version", version}, {L"Build", "8169"}})
        app->Member(member, {}, [v = value](Call& c) { return c.put ? DISP_E_MEMBERNOTFOUND : Return(c.result, Arg::Text(v)); });
    auto bars = Make<Object>();
    bars->Member(L"FindControl", {L"Type", L"Id", L"Tag", L"Visible", L"Recursive"}, [this](Call& c) {
        const auto type = c.arg(0) ? std::optional(IntOf(*c.arg(0))) : std::nullopt;
        const auto id = c.arg(1) ? std::optional(IntOf(*c.arg(1))) : std::nullopt;
        const auto tag = c.arg(2) ? std::optional(TextOf(*c.arg(2))) : std::nullopt;
        return Return(c.result, Arg::Object(menuBar->Find([&](Control& ctl) {
            return (!type || ctl.type == *type) && (!id || ctl.id == *id) && (!tag || ctl.Tag() == *tag);
        })));
    });
    app->Member(L"CommandBars", {}, [bars](Call& c) { return Return(c.result, Arg::Object(bars.get())); });
    if (state.word) {
        auto normal = Make<Object>();
        normal->Member(L"Saved", {}, [this](Call& c) {
            if (!c.put) return Return(c.result, Arg::Bool(state.templateSaved));
            state.templateSaved = BoolOf(*c.put);
            ++state.templateWrites;
            return S_OK;
        });
        app->Member(L"NormalTemplate", {}, [normal](Call& c) { return Return(c.result, Arg::Object(normal.get())); });
    }
}

void OfficeHost::Start() {
    for (auto [root, rootName] : {std::pair{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}}) {
        HKEY key = nullptr;
        const std::wstring path = L"Software\\Microsoft\\Office\\" + Wide(kind.app) + L"\\Addins";
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        wchar_t name[256];
        for (DWORD i = 0, length = 256; RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, length = 256) {
            DWORD behaviour = 0, size = sizeof behaviour;
            RegGetValueW(key, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behaviour, &size);
            const std::string progId = Utf8(name);
            if (behaviour == kLoadAtStartup && std::ranges::none_of(addins, [&](const auto& a) { return a.progId == progId; }))
                Load(rootName, progId);
        }
        RegCloseKey(key);
    }
}

void OfficeHost::Load(const std::string& root, const std::string& progId) {
    LoadedAddIn& a = addins.emplace_back();
    a.progId = progId, a.root = root;
    CLSID clsid{};
    a.created = CLSIDFromProgID(Wide(progId).c_str(), &clsid);
    const auto start = std::chrono::steady_clock::now();
    struct Took {  // whichever way Load ends
        LoadedAddIn& a;
        std::chrono::steady_clock::time_point start;
        ~Took() { a.startup = std::chrono::steady_clock::now() - start; }
    } took{a, start};
    if (SUCCEEDED(a.created))
        a.created = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(a.object.out()));
    if (FAILED(a.created)) return;
    auto extensibility = Extensibility(a);
    a.connected = E_NOINTERFACE;
    if (!extensibility) return;
    // The host's entry for the add-in.
    auto entry = Make<Object>();
    entry->Member(L"ProgId", {}, [progId](Call& c) { return Return(c.result, Arg::Text(progId)); });
    a.connected = WithCustom([&](SAFEARRAY** custom) {
        return extensibility->OnConnection(app.get(), kConnectAtStartup, entry.get(), custom);
    });
    if (FAILED(a.connected) || !kind.Ribbon()) return;

    auto ribbon = Query<IRibbonExtensibility>(a.object.get(), IID_IRibbonExtensibility);
    BSTR xml = nullptr, ribbonId = SysAllocString(Wide(kind.ribbonId).c_str());
    a.customUi = ribbon ? ribbon->GetCustomUI(ribbonId, &xml) : E_NOINTERFACE;
    SysFreeString(ribbonId);
    if (xml) a.customUiXml = Utf8(std::wstring_view(xml, SysStringLen(xml)));
    SysFreeString(xml);
    if (FAILED(a.customUi)) return;
    // Start tags and their attributes: enough for the callbacks a ribbon names.
    const auto parseStart = std::chrono::steady_clock::now();
    static const std::regex element(R"(<(\w+)([^>]*)>)"), attribute(R"(([\w:]+)\s*=\s*"([^"]*)\")");
    for (std::sregex_iterator e(a.customUiXml.begin(), a.customUiXml.end(), element), end; e != end; ++e) {
        std::map<std::string, std::string> at;
        const std::string attributes = (*e)[2];
        for (std::sregex_iterator i(attributes.begin(), attributes.end(), attribute); i != end; ++i) at[(*i)[1]] = (*i)[2];
        if ((*e)[1] == "customUI") a.onLoadName = at["onLoad"];
        if ((*e)[1] != "button") continue;
        RibbonButton& b = a.buttons.emplace_back(RibbonButton{at["id"], at["label"], at["onAction"], at["getLabel"], {}});
        for (const auto& [name, callback] : at)
            if (name.starts_with("get") && name != "getLabel") b.getters.push_back(callback);
    }
    a.parsing = std::chrono::steady_clock::now() - parseStart;
    if (!a.onLoadName.empty()) {
        auto ribbonUi = Make<Object>();  // the add-in keeps it; it calls nothing on it
        try {
            addin::win32::Invoke(Query<IDispatch>(a.object.get(), IID_IDispatch).get(), Wide(a.onLoadName).c_str(),
                                 DISPATCH_METHOD, {Arg::Object(ribbonUi.get())}, nullptr);
            a.onLoad = true;
        } catch (...) {
        }
    }
    for (auto& b : a.buttons) {
        if (!b.getLabel.empty()) b.label = Callback(a, b.getLabel, b.id).text.value_or(b.label);
        for (const auto& getter : b.getters) Callback(a, getter, b.id);  // images and tips, fetched as the ribbon is drawn
    }
}

LoadedAddIn* OfficeHost::AddIn(const std::string& progId) {
    for (auto& a : addins)
        if (_stricmp(a.progId.c_str(), progId.c_str()) == 0 && SUCCEEDED(a.connected)) return &a;
    return nullptr;
}

OfficeHost::Answer OfficeHost::Callback(LoadedAddIn& addin, const std::string& name, const std::string& controlId) {
    auto control = Make<Object>();
    control->Member(L"Id", {}, [controlId](Call& c) { return Return(c.result, Arg::Text(controlId)); });
    Answer answer;
    try {
        Variant result;
        addin::win32::Invoke(Query<IDispatch>(addin.object.get(), IID_IDispatch).get(), Wide(name).c_str(), DISPATCH_METHOD,
                             {Arg::Object(brokenControl ? reinterpret_cast<IDispatch*>(std::uintptr_t{8}) : control.get())},
                             &result);
        answer.ok = true;
        if (result.vt != VT_EMPTY) answer.text = TextOf(result);
    } catch (...) {
    }
    return answer;
}

bool OfficeHost::ClickRibbon(const std::string& button) {
    for (auto& a : addins)
        for (auto& b : a.buttons)
            if ((b.id == button || b.label == button) && !b.onAction.empty()) return Callback(a, b.onAction, b.id).ok;
    return false;
}

void OfficeHost::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (auto& a : addins)
        if (SUCCEEDED(a.connected)) a.beginShutdown = WithCustom([&](SAFEARRAY** c) { return Extensibility(a)->OnBeginShutdown(c); });
    for (auto& a : addins)
        if (SUCCEEDED(a.connected))
            a.disconnected = WithCustom([&](SAFEARRAY** c) { return Extensibility(a)->OnDisconnection(kRemoveAtShutdown, c); });
}

// --- the dialogs ---

namespace {

std::wstring ClassName(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

struct Search {
    const std::set<HWND>* handled;
    HWND found = nullptr;
};

// One of the add-in's forms, its own message boxes or a system dialog, up and not handed over yet.
BOOL CALLBACK Visit(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    const std::wstring name = ClassName(w);
    const bool dialog = name == ui::win32::FormClassName || name == L"#32770";
    if (dialog && !s->handled->count(w) && IsWindowVisible(w) && IsWindowEnabled(w)) s->found = w;
    return !s->found;
}

}  // namespace

DialogWatch::DialogWatch(std::function<void(HWND)> onShown, std::chrono::milliseconds settle)
    : onShown_(std::move(onShown)), settle_(settle), lastChange_(std::chrono::steady_clock::now()) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &DialogWatch::Tick);
}

void CALLBACK DialogWatch::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ && !current_->busy_) current_->Poll();
}

DialogWatch::~DialogWatch() {
    KillTimer(nullptr, timer_);
    if (current_ == this) current_ = nullptr;
}

void DialogWatch::Poll() {
    busy_ = true;
    const auto now = std::chrono::steady_clock::now();
    if (!pending_) {
        Search search{&handled_};
        EnumThreadWindows(GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(&search));
        if (search.found) pending_ = search.found, pendingSince_ = now;
    }
    if (pending_ && (!IsWindow(pending_) || now - pendingSince_ >= settle_)) {
        HWND w = std::exchange(pending_, nullptr);
        if (IsWindow(w)) {
            wchar_t title[512] = {};
            GetWindowTextW(w, title, 512);
            handled_.insert(w);
            seen.push_back(win32::Utf8(ClassName(w)) + "|" + win32::Utf8(title));
            lastChange_ = now;
            if (onShown_) onShown_(w);
            PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
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

}  // namespace ardeko::officehost

#include "officehost/HostObjects.h"

#include <olectl.h>

#include <algorithm>

namespace ardeko::officehost {

namespace {

std::string Quoted(const VARIANT* v) {
    if (!v) return "?";
    if (v->vt == VT_BSTR) return "\"" + AsText(v).value_or("") + "\"";
    if (v->vt == VT_BOOL) return v->boolVal ? "True" : "False";
    if (auto n = AsLong(v)) return std::to_string(*n);
    return "vt" + std::to_string(v->vt);
}

// "Name=value" for the arguments given, in declared order; ":=" for those given by name.
std::string ArgumentList(const Call& call, const std::vector<const char*>& names) {
    std::string out;
    for (UINT pos = 0; pos < names.size(); ++pos) {
        const VARIANT* v = call.Arg(pos);
        if (!v) continue;
        out += (out.empty() ? "" : ", ") + std::string(names[pos]) + (call.ByName(pos) ? ":=" : "=") + Quoted(v);
    }
    return out;
}

}  // namespace

// --- the click event's connection point ---

HRESULT ClickEvents::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}
ULONG ClickEvents::AddRef() { return owner_.AddRef(); }
ULONG ClickEvents::Release() { return owner_.Release(); }
HRESULT ClickEvents::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = kButtonEventsIid;
    return S_OK;
}
HRESULT ClickEvents::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = &owner_;
    owner_.AddRef();
    return S_OK;
}
HRESULT ClickEvents::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    // The hosts ask the sink for the event interface; a plain dispatch sink is taken as well.
    IDispatch* d = nullptr;
    if (FAILED(sink->QueryInterface(kButtonEventsIid, reinterpret_cast<void**>(&d))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = next_++;
    sinks[*cookie] = Ref<IDispatch>::Adopt(d);
    return S_OK;
}
HRESULT ClickEvents::Unadvise(DWORD cookie) { return sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION; }
HRESULT ClickEvents::EnumConnections(IEnumConnections** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

// --- command-bar controls ---

// A popup's controls: Count, Item and Add, on the popup's list.
class ControlsObject : public DispatchObject<IDispatch> {
public:
    ControlsObject(HostState& state, Control& popup) : popup_(&popup) {
        Member(L"Count", {}, [this](Call& c) {
            SetLong(c.Result(), static_cast<long>(popup_->items.size()));
            return S_OK;
        });
        Member(L"Item", {L"Index"}, [this](Call& c) {
            const auto i = AsLong(c.Arg(0));
            if (!i || *i < 1 || *i > static_cast<long>(popup_->items.size())) return DISP_E_BADINDEX;
            SetObject(c.Result(), popup_->items[static_cast<std::size_t>(*i - 1)].get());
            return S_OK;
        });
        Member(L"Add", {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"}, [this, &state](Call& c) {
            state.calls.push_back("Add(" + ArgumentList(c, {"Type", "Id", "Parameter", "Before", "Temporary"}) + ")");
            const long type = c.Arg(0) ? AsLong(c.Arg(0)).value_or(-1) : 1;
            const long id = c.Arg(1) ? AsLong(c.Arg(1)).value_or(-1) : 1;
            const long count = static_cast<long>(popup_->items.size());
            const long before = c.Arg(3) ? AsLong(c.Arg(3)).value_or(-1) : count + 1;
            if (type != 1 && type != 10) return DISP_E_TYPEMISMATCH;
            if (id < 0 || before < 1 || before > count + 1) return E_INVALIDARG;
            Control* added = popup_->Append(static_cast<int>(type), static_cast<int>(id));
            added->temporary = c.Arg(4) && AsBool(c.Arg(4)).value_or(false);
            std::rotate(popup_->items.begin() + (before - 1), popup_->items.end() - 1, popup_->items.end());
            state.Changed();
            SetObject(c.Result(), added);
            return S_OK;
        });
    }

private:
    Ref<Control> popup_;
};

Control::Control(HostState& state, int controlType, int controlId) : type(controlType), id(controlId), state_(state) {
    Member(L"Id", {}, [this](Call& c) { SetLong(c.Result(), id); return S_OK; });
    Member(L"Type", {}, [this](Call& c) { SetLong(c.Result(), type); return S_OK; });
    for (const wchar_t* p : {L"Caption", L"Tag", L"OnAction", L"Style", L"FaceId", L"Priority", L"Parameter", L"TooltipText"}) Property(p);
    Property(L"BeginGroup", true);
    Property(L"Picture", false, true);
    Member(L"Delete", {L"Temporary"}, [this](Call&) {
        if (deleted) return E_FAIL;
        deleted = true;
        events.sinks.clear();
        state_.calls.push_back("Delete(" + TagText() + ")");
        state_.Changed();
        if (owner) {
            Ref<Control> keep(this);  // the list holds what may be the last reference
            std::erase_if(owner->items, [this](const Ref<Control>& c) { return c.get() == this; });
        }
        return S_OK;
    });
    Member(L"Controls", {}, [this](Call& c) {
        if (type != 10 || deleted) return DISP_E_MEMBERNOTFOUND;
        auto controls = Ref<ControlsObject>::Adopt(new ControlsObject(state_, *this));
        SetObject(c.Result(), controls.get());
        return S_OK;
    });
    Member(L"Execute", {}, [this](Call&) {
        bool cancel = false;
        return SUCCEEDED(Click(cancel)) ? S_OK : E_FAIL;
    });
}

void Control::Property(const wchar_t* name, bool boolean, bool picture) {
    const std::string key = win32::Utf8(name);
    Member(name, {}, [this, key, boolean, picture](Call& c) {
        if (deleted) return E_FAIL;
        if (c.IsPut()) {
            const VARIANT* v = c.PutValue();
            if (picture) {
                // A picture object: what is recorded is its kind and size in pixels.
                auto pic = Ref<IDispatch>(AsObject(v)).As<IPicture>(IID_IPicture);
                if (!pic) return DISP_E_TYPEMISMATCH;
                SHORT kind = PICTYPE_UNINITIALIZED;
                OLE_HANDLE handle = 0;
                pic->get_Type(&kind);
                pic->get_Handle(&handle);
                BITMAP bm{};
                if (kind != PICTYPE_BITMAP || !GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bm, &bm))
                    return DISP_E_TYPEMISMATCH;
                props[key] = "bitmap " + std::to_string(bm.bmWidth) + "x" + std::to_string(bm.bmHeight);
                return S_OK;
            }
            std::optional<std::string> text;
            if (!boolean) text = AsText(v);
            else if (const auto b = AsBool(v)) text = *b ? "1" : "0";
            if (!text) return DISP_E_TYPEMISMATCH;
            props[key] = *text;
            return S_OK;
        }
        if (picture) return DISP_E_MEMBERNOTFOUND;
        const std::string value = props.count(key) ? props.at(key) : "";
        if (boolean) SetBool(c.Result(), value == "1");
        else SetText(c.Result(), value);
        return S_OK;
    });
}

void* Control::Extra(REFIID iid) {
    return IsEqualIID(iid, IID_IConnectionPointContainer) ? static_cast<IConnectionPointContainer*>(this) : nullptr;
}

HRESULT Control::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, kButtonEventsIid) || type != 1) return CONNECT_E_NOCONNECTION;
    *out = &events;
    events.AddRef();
    return S_OK;
}

Control* Control::Append(int childType, int childId, const std::string& tag) {
    auto c = Ref<Control>::Adopt(new Control(state_, childType, childId));
    c->owner = this;
    if (!tag.empty()) c->props["Tag"] = tag;
    items.push_back(c);
    return c.get();
}

HRESULT Control::Click(bool& cancel) {
    HRESULT hr = S_FALSE;
    Ref<Control> keep(this);  // a handler may delete the button
    const auto sinks = events.sinks;
    for (const auto& [cookie, sink] : sinks) {
        VARIANT_BOOL cancelDefault = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        args[1].vt = VT_DISPATCH, args[1].pdispVal = static_cast<IDispatch*>(this);  // Ctrl
        args[0].vt = VT_BOOL | VT_BYREF, args[0].pboolVal = &cancelDefault;           // CancelDefault
        DISPPARAMS params{args, nullptr, 2, 0};
        EXCEPINFO excep{};
        UINT argErr = 0;
        hr = sink->Invoke(kClickDispId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &excep, &argErr);
        SysFreeString(excep.bstrSource), SysFreeString(excep.bstrDescription), SysFreeString(excep.bstrHelpFile);
        cancel = cancelDefault != VARIANT_FALSE;
    }
    return hr;
}

// --- command bars, template, application ---

CommandBarsObject::CommandBarsObject(HostState& state) : state_(state) {
    menuBar = Ref<Control>::Adopt(new Control(state, 10, 1));
    Member(L"FindControl", {L"Type", L"Id", L"Tag", L"Visible", L"Recursive"}, [this](Call& c) {
        // The record names the arguments given and how (by position or by name).
        state_.calls.push_back("FindControl(" + ArgumentList(c, {"Type", "Id", "Tag", "Visible", "Recursive"}) + ")");
        const auto type = c.Arg(0) ? AsLong(c.Arg(0)) : std::nullopt;
        const auto id = c.Arg(1) ? AsLong(c.Arg(1)) : std::nullopt;
        const auto tag = c.Arg(2) ? AsText(c.Arg(2)) : std::nullopt;
        Control* found = menuBar->Find([&](Control& ctl) {
            return (!type || ctl.type == *type) && (!id || ctl.id == *id) && (!tag || ctl.TagText() == *tag);
        });
        SetObject(c.Result(), found);
        return S_OK;
    });
}

TemplateObject::TemplateObject(HostState& state) {
    Member(L"Saved", {}, [&state](Call& c) {
        if (!c.IsPut()) {
            SetBool(c.Result(), state.templateSaved);
            return S_OK;
        }
        const auto v = AsBool(c.PutValue());
        if (!v) return DISP_E_TYPEMISMATCH;
        state.templateSaved = *v;
        ++state.templateWrites;
        return S_OK;
    });
}

ApplicationObject::ApplicationObject(HostState& state, std::string name, std::string version, std::string build) {
    commandBars = Ref<CommandBarsObject>::Adopt(new CommandBarsObject(state));
    for (auto [member, value] : {std::pair{L"Name", name}, {L"Version", version}, {L"Build", build}})
        Member(member, {}, [v = value](Call& c) {
            if (c.IsPut()) return DISP_E_MEMBERNOTFOUND;
            SetText(c.Result(), v);
            return S_OK;
        });
    Member(L"CommandBars", {}, [this](Call& c) { SetObject(c.Result(), commandBars.get()); return S_OK; });
    if (state.word) {
        normalTemplate = Ref<TemplateObject>::Adopt(new TemplateObject(state));
        Member(L"NormalTemplate", {}, [this](Call& c) { SetObject(c.Result(), normalTemplate.get()); return S_OK; });
    }
}

// --- the add-in entry and the ribbon ---

COMAddInObject::COMAddInObject(std::string id, std::string text) : progId(std::move(id)), description(std::move(text)) {
    Member(L"ProgId", {}, [this](Call& c) { ++progIdReads; SetText(c.Result(), progId); return S_OK; });
    Member(L"Description", {}, [this](Call& c) { SetText(c.Result(), description); return S_OK; });
    Member(L"Connect", {}, [](Call& c) { SetBool(c.Result(), true); return S_OK; });
}

RibbonControlObject::RibbonControlObject(std::string controlId, IDispatch* context)
    : DispatchObject(&kRibbonControlIid), id(std::move(controlId)), context_(context) {
    Member(L"Id", {}, [this](Call& c) { ++idReads; SetText(c.Result(), id); return S_OK; });
    Member(L"Context", {}, [this](Call& c) { SetObject(c.Result(), context_.get()); return S_OK; });
    Member(L"Tag", {}, [](Call& c) { SetText(c.Result(), ""); return S_OK; });
}
HRESULT RibbonControlObject::get_Id(BSTR* out) {
    if (!out) return E_POINTER;
    ++idReads;
    *out = SysAllocString(win32::Wide(id).c_str());
    return S_OK;
}
HRESULT RibbonControlObject::get_Context(IDispatch** out) {
    if (!out) return E_POINTER;
    *out = context_.get();
    if (*out) (*out)->AddRef();
    return S_OK;
}
HRESULT RibbonControlObject::get_Tag(BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(L"");
    return S_OK;
}

RibbonUIObject::RibbonUIObject() : DispatchObject(&kRibbonUiIid) {
    Member(L"Invalidate", {}, [this](Call&) { return Invalidate(); });
    Member(L"InvalidateControl", {L"ControlID"}, [this](Call& c) {
        invalidated.push_back(AsText(c.Arg(0)).value_or("?"));
        return S_OK;
    });
}
HRESULT RibbonUIObject::Invalidate() { invalidated.push_back("*"); return S_OK; }
HRESULT RibbonUIObject::InvalidateControl(BSTR id) { invalidated.push_back(win32::Utf8(FromBstr(id))); return S_OK; }
HRESULT RibbonUIObject::InvalidateControlMso(BSTR id) { invalidated.push_back(win32::Utf8(FromBstr(id))); return S_OK; }
HRESULT RibbonUIObject::ActivateTab(BSTR) { return S_OK; }
HRESULT RibbonUIObject::ActivateTabMso(BSTR) { return S_OK; }
HRESULT RibbonUIObject::ActivateTabQ(BSTR, BSTR) { return S_OK; }

}  // namespace ardeko::officehost

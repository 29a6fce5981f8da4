#include "addin/win32/DispatchHost.h"

#include "addin/win32/FaultGuard.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>

#include "platform/win32/WinText.h"

namespace ardeko::addin::win32 {

namespace {

namespace wt = ardeko::win32;

// The command-bar button's event interface, as the hosts declare it.
const IID kCommandBarButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr DISPID kClickDispId = 1;

std::atomic<long> gConnectedClicks{0};
std::atomic<long> gClickFailures{0};

// Base of every wrapper: the object and its late-bound calls.
class Wrapped {
public:
    explicit Wrapped(IDispatch* object) : object_(object) {}

protected:
    Variant Get(const wchar_t* name, std::vector<Arg> args = {}) const {
        Variant v;
        Invoke(object_.get(), name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args), &v);
        return v;
    }
    void Put(const wchar_t* name, Arg value) const {
        Invoke(object_.get(), name, DISPATCH_PROPERTYPUT, {value}, nullptr);
    }
    void Call(const wchar_t* name, std::vector<Arg> args = {}, VARIANT* result = nullptr) const {
        Invoke(object_.get(), name, DISPATCH_METHOD, std::move(args), result);
    }
    std::string GetText(const wchar_t* name) const { return TextOf(Get(name)); }

    Ref<IDispatch> object_;
};

Ref<IDispatch> ObjectResult(const VARIANT& v) { return ObjectOf(v); }

class DispControl;

class DispControls : public host::CommandBarControls, Wrapped {
public:
    using Wrapped::Wrapped;
    int Count() override { return static_cast<int>(IntOf(Get(L"Count"))); }
    std::shared_ptr<host::CommandBarControl> Item(int index) override;
    std::shared_ptr<host::CommandBarControl> Add(int type, std::optional<int> before, bool temporary) override;
};

// The sink that the button's connection point calls: Click(Ctrl, CancelDefault by reference).
class ClickSink final : public IDispatch {
public:
    explicit ClickSink(host::CommandBarControl::ClickHandler handler) : handler_(std::move(handler)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kCommandBarButtonEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static constexpr NamedMember members[] = {{L"Click", kClickDispId}};
        return IdsOfNames(members, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    RefCount refs_;
    host::CommandBarControl::ClickHandler handler_;
};

class DispControl : public host::CommandBarControl, Wrapped {
public:
    using Wrapped::Wrapped;
    ~DispControl() override { Disconnect(); }

    std::string Tag() override { return GetText(L"Tag"); }
    void Delete() override { Call(L"Delete"); }
    std::shared_ptr<host::CommandBarControls> Controls() override {
        Ref<IDispatch> controls = ObjectResult(Get(L"Controls"));
        if (!controls) throw host::HostError("Controls: nothing");
        return std::make_shared<DispControls>(controls.get());
    }
    void SetStyle(int style) override { Put(L"Style", Arg::Int(style)); }
    void SetCaption(const std::string& caption) override { Put(L"Caption", Arg::Text(caption)); }
    void SetFaceId(int faceId) override { Put(L"FaceId", Arg::Int(faceId)); }
    void SetTag(const std::string& tag) override { Put(L"Tag", Arg::Text(tag)); }
    void SetOnAction(const std::string& action) override { Put(L"OnAction", Arg::Text(action)); }
    void SetBeginGroup(bool begin) override { Put(L"BeginGroup", Arg::Bool(begin)); }
    void SetPriority(int priority) override { Put(L"Priority", Arg::Int(priority)); }

    void SetPicture(const std::string& picturePath) override {
        HANDLE bitmap = LoadImageW(nullptr, wt::Wide(picturePath).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        if (!bitmap) throw host::HostError("Picture: " + picturePath + " is no bitmap");
        PICTDESC desc{};
        desc.cbSizeofstruct = sizeof desc;
        desc.picType = PICTYPE_BITMAP;
        desc.bmp.hbitmap = static_cast<HBITMAP>(bitmap);
        Ref<IPictureDisp> picture;
        if (FAILED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(picture.out())))) {
            DeleteObject(bitmap);
            throw host::HostError("Picture: no picture object");
        }
        // Hosts take the picture as a property put; an object property may want it by reference.
        try {
            Put(L"Picture", Arg::Object(picture.get()));
        } catch (const host::HostError&) {
            Invoke(object_.get(), L"Picture", DISPATCH_PROPERTYPUTREF, {Arg::Object(picture.get())}, nullptr);
        }
    }

    void ConnectClick(ClickHandler handler) override {
        Disconnect();
        if (!handler) return;
        Ref<IConnectionPointContainer> container;
        Ref<IConnectionPoint> point;
        auto* sink = new ClickSink(std::move(handler));
        DWORD cookie = 0;
        const bool ok = SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer,
                                                          reinterpret_cast<void**>(container.out()))) &&
                        SUCCEEDED(container->FindConnectionPoint(kCommandBarButtonEvents, point.out())) &&
                        SUCCEEDED(point->Advise(sink, &cookie));
        sink->Release();
        if (!ok) {
            // Without its event the button would do nothing when clicked: count it and say so,
            // so that the failure is visible to whoever looks (tests, a debugger).
            ++gClickFailures;
            OutputDebugStringW(L"OffArdeko: the File-menu button's click event could not be connected\n");
            throw host::HostError("Click: event not connected");
        }
        point_ = point;
        cookie_ = cookie;
        ++gConnectedClicks;
    }

private:
    void Disconnect() {
        if (!point_) return;
        point_->Unadvise(cookie_);
        point_ = Ref<IConnectionPoint>();
        --gConnectedClicks;
    }
    Ref<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

HRESULT ClickSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    if (id != kClickDispId) return DISP_E_MEMBERNOTFOUND;
    // The host must see neither our failures nor our faults.
    Command([&] {
        try {
            // Click(Ctrl, CancelDefault): last to first in rgvarg.
            Ref<IDispatch> ctrl;
            VARIANT_BOOL* cancel = nullptr;
            if (params && params->cArgs >= 2) {
                ctrl = ObjectOf(params->rgvarg[params->cArgs - 1]);
                VARIANT& c = params->rgvarg[params->cArgs - 2];
                if (c.vt == (VT_BOOL | VT_BYREF)) cancel = c.pboolVal;
            }
            bool cancelDefault = cancel && *cancel != VARIANT_FALSE;
            DispControl control(ctrl.get());
            handler_(control, cancelDefault);
            if (cancel) *cancel = cancelDefault ? VARIANT_TRUE : VARIANT_FALSE;
        } catch (...) {
        }
    });
    return S_OK;
}

std::shared_ptr<host::CommandBarControl> Wrap(const VARIANT& v) {
    Ref<IDispatch> object = ObjectResult(v);
    if (!object) return nullptr;
    return std::make_shared<DispControl>(object.get());
}

std::shared_ptr<host::CommandBarControl> DispControls::Item(int index) { return Wrap(Get(L"Item", {Arg::Int(index)})); }

std::shared_ptr<host::CommandBarControl> DispControls::Add(int type, std::optional<int> before, bool temporary) {
    // Add(Type, Id, Parameter, Before, Temporary): id and parameter left out.
    Variant result;
    Call(L"Add",
         {Arg::Int(type), Arg::Missing(), Arg::Missing(), before ? Arg::Int(*before) : Arg::Missing(), Arg::Bool(temporary)},
         &result);
    return Wrap(result);
}

class DispCommandBars : public host::CommandBars, Wrapped {
public:
    using Wrapped::Wrapped;
    // FindControl(Type, Id, Tag, Visible): only the id given.
    std::shared_ptr<host::CommandBarControl> FindControlById(int id) override {
        Variant result;
        Call(L"FindControl", {Arg::Missing(), Arg::Int(id)}, &result);
        return Wrap(result);
    }
    std::shared_ptr<host::CommandBarControl> FindControlByTag(const std::string& tag) override {
        Variant result;
        Call(L"FindControl", {Arg::Text(tag, L"Tag")}, &result);
        return Wrap(result);
    }
};

class DispTemplate : public host::Template, Wrapped {
public:
    using Wrapped::Wrapped;
    bool Saved() override { return BoolOf(Get(L"Saved")); }
    void SetSaved(bool saved) override { Put(L"Saved", Arg::Bool(saved)); }
};

class DispApplication : public host::Application, Wrapped {
public:
    using Wrapped::Wrapped;
    std::string Name() override { return GetText(L"Name"); }
    std::string Version() override { return GetText(L"Version"); }
    std::string Build() override { return GetText(L"Build"); }
    std::shared_ptr<host::CommandBars> GetCommandBars() override {
        Ref<IDispatch> bars = ObjectResult(Get(L"CommandBars"));
        if (!bars) throw host::HostError("CommandBars: nothing");
        return std::make_shared<DispCommandBars>(bars.get());
    }
    std::shared_ptr<host::Template> NormalTemplate() override {
        Ref<IDispatch> normal = ObjectResult(Get(L"NormalTemplate"));
        if (!normal) throw host::HostError("NormalTemplate: nothing");
        return std::make_shared<DispTemplate>(normal.get());
    }
};

class DispAddIn : public host::AddInInstance, Wrapped {
public:
    using Wrapped::Wrapped;
    std::string ProgId() override { return GetText(L"ProgId"); }
};

class DispRibbonControl : public host::RibbonControl, Wrapped {
public:
    using Wrapped::Wrapped;
    std::string Id() override { return GetText(L"Id"); }
};

class DispRibbonUI : public host::RibbonUI, Wrapped {
public:
    using Wrapped::Wrapped;
};

}  // namespace

std::shared_ptr<host::Application> WrapApplication(IDispatch* application) {
    return application ? std::make_shared<DispApplication>(application) : nullptr;
}
std::shared_ptr<host::AddInInstance> WrapAddIn(IDispatch* addIn) {
    return addIn ? std::make_shared<DispAddIn>(addIn) : nullptr;
}
std::shared_ptr<host::RibbonControl> WrapRibbonControl(IDispatch* control) {
    return control ? std::make_shared<DispRibbonControl>(control) : nullptr;
}
std::shared_ptr<host::RibbonUI> WrapRibbonUI(IDispatch* ribbon) {
    return ribbon ? std::make_shared<DispRibbonUI>(ribbon) : nullptr;
}

long ConnectedClickEvents() { return gConnectedClicks.load(); }
long ClickConnectFailures() { return gClickFailures.load(); }

}  // namespace ardeko::addin::win32

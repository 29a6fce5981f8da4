// OffArdeko.dll's COM side: the four connection classes as COM objects, their class factory and
// the library's entry points. Every entry point catches everything, faults included: nothing of
// ours may unwind into the host or end its process.
#include <windows.h>
#include <ole2.h>
#include <initguid.h>

#include "OffArdeko_h.h"

#include <atomic>
#include <memory>
#include <string>

#include "addin/Connect.h"
#include "addin/win32/ComServer.h"
#include "addin/win32/Dispatch.h"
#include "addin/win32/DispatchHost.h"
#include "addin/win32/FaultGuard.h"
#include "platform/Ports.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"
#include "support/Module.h"
#include "ui/win32/Win32Ui.h"

namespace ardeko::addin::win32 {

namespace {

HINSTANCE gInstance = nullptr;
std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};
std::unique_ptr<ui::win32::Win32Ui> gUi;

// The ports and the renderer, made when the first host connects (never in DllMain, where
// the loader lock forbids most of what they do).
void EnsurePorts() {
    static bool installed = false;
    if (installed) return;
    platform::win32::InstallWin32Ports();
    gUi = std::make_unique<ui::win32::Win32Ui>(gInstance);
    platform::ports().ui = gUi.get();
    installed = true;
}

// The dispatch ids of the names the hosts call on the object; GetCustomUI keeps the id that the
// hosts' own declaration of the ribbon interface gives it.
constexpr DISPID kGetImage = 0x60030000, kGetLabel = 0x60030001, kGetScreentip = 0x60030002,
                 kGetSupertip = 0x60030003, kRibbonHandler = 0x60030004, kRibbonOnLoad = 0x60030005,
                 kGetCustomUI = 1;
constexpr NamedMember kMembers[] = {
    {L"GetImage", kGetImage},           {L"GetLabel", kGetLabel},         {L"GetScreentip", kGetScreentip},
    {L"GetSupertip", kGetSupertip},     {L"RibbonHandler", kRibbonHandler}, {L"RibbonOnLoad", kRibbonOnLoad},
    {L"GetCustomUI", kGetCustomUI},
};

std::unique_ptr<AddinConnection> MakeConnection(int host) {
    switch (host) {
        case 0: return std::make_unique<ConnectWD>();
        case 1: return std::make_unique<ConnectXL>();
        case 2: return std::make_unique<ConnectPP>();
        default: return std::make_unique<ConnectAC>();
    }
}

AddinConnection::CustomArray NoCustom() { return {}; }

// One connection object: the host's add-in interface, the ribbon interface and the callbacks.
class ConnectObject final : public _IDTExtensibility2, public IRibbonExtensibility, public _Connect {
public:
    explicit ConnectObject(int host) : connection_(MakeConnection(host)) { ++gObjects; }
    ~ConnectObject() { --gObjects; }
    ConnectObject(const ConnectObject&) = delete;
    ConnectObject& operator=(const ConnectObject&) = delete;

    // --- IUnknown ---
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__Connect)
            *out = static_cast<_Connect*>(this);
        else if (iid == IID__IDTExtensibility2)
            *out = static_cast<_IDTExtensibility2*>(this);
        else if (iid == IID_IRibbonExtensibility)
            *out = static_cast<IRibbonExtensibility*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }

    // --- IDispatch: the hosts call the callbacks by the names their XML gives ---
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return IdsOfNames(kMembers, names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* argError) override {
        // A call that a fault ended answers like one that went wrong inside: done, with nothing.
        if (result) VariantInit(result);
        HRESULT hr = S_OK;
        Entry([&] { hr = InvokeMember(id, flags, params, result, argError); });
        return hr;
    }

    // --- _IDTExtensibility2 ---
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, LONG mode, IDispatch* addIn, SAFEARRAY**) override {
        Entry([&] {
            try {
                EnsurePorts();
                connection_->OnConnection(WrapApplication(application), static_cast<int>(mode), WrapAddIn(addIn),
                                          NoCustom());
            } catch (...) {
            }
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(LONG mode, SAFEARRAY**) override {
        Entry([&] {
            try {
                connection_->OnDisconnection(static_cast<int>(mode), NoCustom());
            } catch (...) {
            }
            // The host's objects go now, on the host's thread, not later under the loader lock.
            try {
                connection_->objRibbon.reset();
                Module().HostApp.reset();
                Module().HostCommandBars.reset();
            } catch (...) {
            }
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }

    // --- IRibbonExtensibility ---
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* xml) override {
        if (!xml) return E_POINTER;
        *xml = nullptr;
        Entry([&] {
            try {
                std::string id;
                if (ribbonId) id = ardeko::win32::Utf8(std::wstring_view(ribbonId, SysStringLen(ribbonId)));
                *xml = NewBstr(connection_->GetCustomUI(id));
            } catch (...) {
            }
        });
        if (!*xml) *xml = SysAllocString(L"");
        return S_OK;
    }

    // --- _Connect ---
    HRESULT STDMETHODCALLTYPE GetImage(IDispatch* control, BSTR* image) override {
        return Text([&](host::RibbonControl& c) { return connection_->GetImage(c); }, control, image);
    }
    HRESULT STDMETHODCALLTYPE GetLabel(IDispatch* control, BSTR* label) override {
        return Text([&](host::RibbonControl& c) { return connection_->GetLabel(c); }, control, label);
    }
    HRESULT STDMETHODCALLTYPE GetScreentip(IDispatch* control, VARIANT* tip) override {
        return Tip([&](host::RibbonControl& c) { return connection_->GetScreentip(c); }, control, tip);
    }
    HRESULT STDMETHODCALLTYPE GetSupertip(IDispatch* control, VARIANT* tip) override {
        return Tip([&](host::RibbonControl& c) { return connection_->GetSupertip(c); }, control, tip);
    }
    HRESULT STDMETHODCALLTYPE RibbonHandler(IDispatch* control) override {
        Command([&] {
            try {
                if (auto c = WrapRibbonControl(control)) connection_->RibbonHandler(*c);
            } catch (...) {
            }
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RibbonOnLoad(IDispatch* ribbon) override {
        Entry([&] {
            try {
                connection_->RibbonOnLoad(WrapRibbonUI(ribbon));
            } catch (...) {
            }
        });
        return S_OK;
    }

private:
    HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, UINT* argError) {
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
        if (params && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
        const UINT argc = params ? params->cArgs : 0;
        if (argc != 1) return DISP_E_BADPARAMCOUNT;
        const VARIANT& arg = params->rgvarg[0];
        try {
            if (id == kGetCustomUI) {
                BSTR xml = nullptr;
                const HRESULT hr = GetCustomUI(nullptr, &xml);
                if (result) {
                    VariantInit(result);
                    result->vt = VT_BSTR;
                    result->bstrVal = xml;
                } else {
                    SysFreeString(xml);
                }
                return hr;
            }
            Ref<IDispatch> control = ObjectOf(arg);
            switch (id) {
                case kGetImage:
                case kGetLabel: {
                    BSTR text = nullptr;
                    const HRESULT hr = id == kGetImage ? GetImage(control.get(), &text) : GetLabel(control.get(), &text);
                    if (result) {
                        VariantInit(result);
                        result->vt = VT_BSTR;
                        result->bstrVal = text;
                    } else {
                        SysFreeString(text);
                    }
                    return hr;
                }
                case kGetScreentip:
                case kGetSupertip: {
                    Variant tip;
                    const HRESULT hr = id == kGetScreentip ? GetScreentip(control.get(), &tip) : GetSupertip(control.get(), &tip);
                    if (result) {
                        VariantInit(result);
                        *result = tip;
                        tip.vt = VT_EMPTY;  // handed over
                    }
                    return hr;
                }
                case kRibbonHandler: return RibbonHandler(control.get());
                case kRibbonOnLoad: return RibbonOnLoad(control.get());
                default: return DISP_E_MEMBERNOTFOUND;
            }
        } catch (...) {
            if (argError) *argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
    }

    template <class F>
    HRESULT Text(F&& get, IDispatch* control, BSTR* out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        Entry([&] {
            try {
                auto c = WrapRibbonControl(control);
                *out = NewBstr(c ? get(*c) : std::string());
            } catch (...) {
            }
        });
        if (!*out) *out = SysAllocString(L"");
        return S_OK;
    }
    // A tip is text, or the empty variant where the button has none.
    template <class F>
    HRESULT Tip(F&& get, IDispatch* control, VARIANT* out) {
        if (!out) return E_POINTER;
        VariantInit(out);
        Entry([&] {
            try {
                auto c = WrapRibbonControl(control);
                if (c)
                    if (const auto tip = get(*c)) {
                        out->vt = VT_BSTR;
                        out->bstrVal = NewBstr(*tip);
                    }
            } catch (...) {
                VariantClear(out);
            }
        });
        return S_OK;
    }

    RefCount refs_;
    std::unique_ptr<AddinConnection> connection_;
};

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(int host) : host_(host) { ++gObjects; }
    ~ClassFactory() { --gObjects; }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        HRESULT hr = E_UNEXPECTED;
        Entry([&] {
            try {
                auto* object = new ConnectObject(host_);
                hr = object->QueryInterface(iid, out);
                object->Release();
            } catch (...) {
                hr = E_OUTOFMEMORY;
            }
        });
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ++gLocks;
        else
            --gLocks;
        return S_OK;
    }

private:
    RefCount refs_;
    int host_;
};

}  // namespace

HINSTANCE LibraryInstance() { return gInstance; }

std::wstring LibraryPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(gInstance, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace ardeko::addin::win32

using namespace ardeko::addin::win32;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = E_UNEXPECTED;
    Entry([&] {
        try {
            hr = CLASS_E_CLASSNOTAVAILABLE;
            const CLSID* classes[] = {&CLSID_ConnectWD, &CLSID_ConnectXL, &CLSID_ConnectPP, &CLSID_ConnectAC};
            for (int i = 0; i < 4; ++i) {
                if (IsEqualCLSID(clsid, *classes[i])) {
                    auto* factory = new ClassFactory(i);
                    hr = factory->QueryInterface(iid, out);
                    factory->Release();
                }
            }
        } catch (...) {
            hr = E_OUTOFMEMORY;
        }
    });
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return gObjects.load() == 0 && gLocks.load() == 0 ? S_OK : S_FALSE; }

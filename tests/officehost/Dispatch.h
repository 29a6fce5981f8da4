#pragma once
// Late-bound COM objects written by hand, the way the Office hosts serve their object model to
// add-ins: a name table answers GetIDsOfNames (names compared without regard to case, the
// parameter names of a member too), and Invoke hands each member its arguments by declared
// position, whether they came positionally (in reverse order in rgvarg) or by name.
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/WinText.h"

namespace ardeko::officehost {

// An owning interface pointer.
template <class T>
class Ref {
public:
    Ref() = default;
    Ref(T* p) : p_(p) { if (p_) p_->AddRef(); }  // NOLINT: a plain pointer is borrowed and kept
    Ref(const Ref& o) : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Ref& operator=(Ref o) { std::swap(p_, o.p_); return *this; }
    ~Ref() { if (p_) p_->Release(); }
    // Takes over a reference the caller already holds (a QueryInterface or creation result).
    static Ref Adopt(T* p) { Ref r; r.p_ = p; return r; }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() { *this = Ref(); return &p_; }
    template <class U>
    Ref<U> As(REFIID iid) const {
        U* u = nullptr;
        if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(&u));
        return Ref<U>::Adopt(u);
    }

private:
    T* p_ = nullptr;
};

// A variant cleared on destruction.
struct Variant : VARIANT {
    Variant() { VariantInit(this); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(this); }
};

inline std::wstring FromBstr(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// A BSTR owned by this object.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR* put() { SysFreeString(b_); b_ = nullptr; return &b_; }
    std::wstring str() const { return FromBstr(b_); }

private:
    BSTR b_ = nullptr;
};

// True for an optional argument the caller left out: VT_ERROR with DISP_E_PARAMNOTFOUND.
inline bool IsMissing(const VARIANT* v) { return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND); }

// Argument values converted as a late-bound callee converts them; nothing when they do not convert.
std::optional<long> AsLong(const VARIANT* v);
std::optional<bool> AsBool(const VARIANT* v);
std::optional<std::string> AsText(const VARIANT* v);  // UTF-8
IDispatch* AsObject(const VARIANT* v);                // borrowed; null for Nothing or a non-object

void SetText(VARIANT* out, const std::string& utf8);
void SetLong(VARIANT* out, long v);
void SetBool(VARIANT* out, bool v);
void SetObject(VARIANT* out, IDispatch* d);  // null: Nothing

// One call as a member sees it.
class Call {
public:
    Call(WORD flags, DISPPARAMS* params, VARIANT* result) : flags_(flags), params_(params), result_(result) {}
    bool IsGet() const { return (flags_ & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }
    bool IsPut() const { return (flags_ & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    // The argument in declared position `pos` (0-based), given by name (its DISPID is `pos`)
    // or by position; by-reference variants are followed. Null when it was not given.
    VARIANT* Arg(UINT pos) const;
    bool ByName(UINT pos) const;
    // The value of a property put.
    VARIANT* PutValue() const;
    // Arguments given positionally beyond `declared` positions, or names that are no position:
    // the member cannot take them.
    bool HasExtra(UINT declared) const;
    UINT PositionalCount() const { return params_ ? params_->cArgs - params_->cNamedArgs : 0; }
    VARIANT* Result() const { return result_; }

private:
    VARIANT* Follow(VARIANT* v) const { return v && v->vt == (VT_BYREF | VT_VARIANT) ? v->pvarVal : v; }
    WORD flags_;
    DISPPARAMS* params_;
    VARIANT* result_;
};

// IUnknown and IDispatch for a late-bound object exposed as `Iface` (IDispatch or a dual
// interface derived from it). Derived classes fill the name table with Member() and may answer
// further interfaces through Extra().
template <class Iface = IDispatch>
class DispatchObject : public Iface {
public:
    using Handler = std::function<HRESULT(Call&)>;

    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || (ownIid_ && IsEqualIID(iid, *ownIid_)))
            *out = static_cast<Iface*>(this);
        else
            *out = Extra(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return n ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** t) override {
        if (t) *t = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        const Entry* member = nullptr;
        for (const auto& e : members_)
            if (_wcsicmp(e.name.c_str(), names[0]) == 0) member = &e;
        HRESULT hr = S_OK;
        ids[0] = member ? member->id : DISPID_UNKNOWN;
        if (!member) hr = DISP_E_UNKNOWNNAME;
        for (UINT i = 1; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (std::size_t p = 0; member && p < member->params.size(); ++p)
                if (_wcsicmp(member->params[p].c_str(), names[i]) == 0) ids[i] = static_cast<DISPID>(p);
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT* argErr) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (argErr) *argErr = 0;
        for (const auto& e : members_) {
            if (e.id != id) continue;
            if (result) VariantInit(result);
            Call call(flags, params, result);
            if (call.HasExtra(static_cast<UINT>(e.params.size()))) return DISP_E_BADPARAMCOUNT;
            try {
                return e.handler(call);
            } catch (...) {  // nothing may leave through a COM call
                return DISP_E_EXCEPTION;
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    explicit DispatchObject(const IID* ownIid = nullptr) : ownIid_(ownIid) {}
    virtual ~DispatchObject() = default;
    virtual void* Extra(REFIID) { return nullptr; }
    // A member, its parameter names in declared order, and what it does.
    void Member(const wchar_t* name, std::vector<std::wstring> params, Handler handler) {
        members_.push_back({name, static_cast<DISPID>(members_.size() + 1), std::move(params), std::move(handler)});
    }

private:
    struct Entry {
        std::wstring name;
        DISPID id;
        std::vector<std::wstring> params;
        Handler handler;
    };
    std::vector<Entry> members_;
    std::atomic<ULONG> refs_{1};  // the creator's reference; wrap it with Ref<>::Adopt
    const IID* ownIid_;
};

// Calls a member of a late-bound object by name: GetIDsOfNames, then Invoke with `args` in
// declared order (reversed into rgvarg here).
HRESULT CallByName(IDispatch* object, const std::wstring& name, WORD flags, std::vector<VARIANT> args, VARIANT* result);

}  // namespace ardeko::officehost

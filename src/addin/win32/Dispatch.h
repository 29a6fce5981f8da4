#pragma once
// Late-bound calls into the host's objects (IDispatch by name), the reference holder for COM
// interfaces and the VARIANT conversions that the add-in's two COM sides share.
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ardeko::addin::win32 {

// Holds one reference to a COM interface.
template <class T>
class Ref {
public:
    Ref() = default;
    explicit Ref(T* p, bool addRef = true) : p_(p) {
        if (p_ && addRef) p_->AddRef();
    }
    Ref(const Ref& other) : Ref(other.p_) {}
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() {
        if (p_) p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For calls that hand out a new reference.
    T** out() {
        *this = Ref();
        return &p_;
    }

private:
    T* p_ = nullptr;
};

// The reference count of one of our COM objects, which deletes itself at its last Release:
//   ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
//   ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(this); }
class RefCount {
public:
    ULONG Add() { return static_cast<ULONG>(++n_); }
    template <class T>
    ULONG Release(T* self) {
        const long n = --n_;
        if (n == 0) delete self;
        return static_cast<ULONG>(n);
    }

private:
    std::atomic<long> n_{1};
};

// A member that late-bound callers find by name.
struct NamedMember {
    const wchar_t* name;
    DISPID id;
};
// GetIDsOfNames over a fixed list: names are found without regard to case, as the hosts' script
// languages call them; named arguments are not offered.
HRESULT IdsOfNames(std::span<const NamedMember> members, LPOLESTR* names, UINT count, DISPID* ids);

// A VARIANT that clears itself.
struct Variant : VARIANT {
    Variant() { VariantInit(this); }
    Variant(Variant&& other) noexcept : VARIANT(other) { other.vt = VT_EMPTY; }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(this); }
};

// One argument of a late-bound call: positional (no name) or named.
struct Arg {
    const wchar_t* name = nullptr;
    VARIANT value{};
    static Arg Missing();
    static Arg Int(long v, const wchar_t* name = nullptr);
    static Arg Bool(bool v, const wchar_t* name = nullptr);
    static Arg Text(const std::string& utf8, const wchar_t* name = nullptr);  // owns a BSTR
    static Arg Object(IDispatch* object, const wchar_t* name = nullptr);    // borrowed
};

// Calls `member` of `object` with `flags` (DISPATCH_METHOD, DISPATCH_PROPERTYGET, ...); the
// arguments are in the order of the member's declaration. Throws host::HostError naming the
// member when the object does not answer. Frees the arguments' strings.
void Invoke(IDispatch* object, const wchar_t* member, WORD flags, std::vector<Arg> args, VARIANT* result);

std::string TextOf(const VARIANT& v);             // throws when it cannot be text
long IntOf(const VARIANT& v);                     // throws when it cannot be a number
bool BoolOf(const VARIANT& v);
Ref<IDispatch> ObjectOf(const VARIANT& v);        // empty for Nothing; throws for a non-object
BSTR NewBstr(const std::string& utf8);            // the caller frees it

}  // namespace ardeko::addin::win32

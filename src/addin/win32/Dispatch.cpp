#include "addin/win32/Dispatch.h"

#include "platform/OfficeHost.h"
#include "platform/win32/WinText.h"

namespace ardeko::addin::win32 {

namespace wt = ardeko::win32;

BSTR NewBstr(const std::string& utf8) {
    const std::wstring wide = wt::Wide(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

Arg Arg::Missing() {
    Arg a;
    a.value.vt = VT_ERROR;
    a.value.scode = DISP_E_PARAMNOTFOUND;
    return a;
}

Arg Arg::Int(long v, const wchar_t* name) {
    Arg a;
    a.name = name;
    a.value.vt = VT_I4;
    a.value.lVal = v;
    return a;
}

Arg Arg::Bool(bool v, const wchar_t* name) {
    Arg a;
    a.name = name;
    a.value.vt = VT_BOOL;
    a.value.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return a;
}

Arg Arg::Text(const std::string& utf8, const wchar_t* name) {
    Arg a;
    a.name = name;
    a.value.vt = VT_BSTR;
    a.value.bstrVal = NewBstr(utf8);
    return a;
}

Arg Arg::Object(IDispatch* object, const wchar_t* name) {
    Arg a;
    a.name = name;
    a.value.vt = VT_DISPATCH;
    a.value.pdispVal = object;
    return a;
}

void Invoke(IDispatch* object, const wchar_t* member, WORD flags, std::vector<Arg> args, VARIANT* result) {
    struct FreeStrings {
        std::vector<Arg>& args;
        ~FreeStrings() {
            for (auto& a : args)
                if (a.value.vt == VT_BSTR) SysFreeString(a.value.bstrVal);
        }
    } freeStrings{args};
    const std::string what = wt::Utf8(member);
    if (!object) throw host::HostError(what + ": no object");

    // The member's id, then the ids of the named arguments.
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(member)};
    for (const auto& a : args)
        if (a.name) names.push_back(const_cast<LPOLESTR>(a.name));
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                       ids.data());
    if (FAILED(hr)) throw host::HostError(what + ": unknown member");

    // Named arguments first, then the positional ones last to first; a property put names its
    // value as the put's argument.
    std::vector<VARIANT> rgvarg;
    std::vector<DISPID> named;
    std::size_t nameIndex = 1;
    for (const auto& a : args)
        if (a.name) {
            rgvarg.push_back(a.value);
            named.push_back(ids[nameIndex++]);
        }
    std::vector<VARIANT> positional;
    for (const auto& a : args)
        if (!a.name) positional.push_back(a.value);
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put) {
        // The value being put is the last positional argument and carries DISPID_PROPERTYPUT.
        if (positional.empty()) throw host::HostError(what + ": nothing to put");
        rgvarg.insert(rgvarg.begin(), positional.back());
        named.insert(named.begin(), DISPID_PROPERTYPUT);
        positional.pop_back();
    }
    for (auto it = positional.rbegin(); it != positional.rend(); ++it) rgvarg.push_back(*it);

    DISPPARAMS params{rgvarg.empty() ? nullptr : rgvarg.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(rgvarg.size()), static_cast<UINT>(named.size())};
    EXCEPINFO exception{};
    UINT argError = 0;
    Variant ignored;
    hr = object->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result : &ignored, &exception,
                        &argError);
    if (exception.bstrSource) SysFreeString(exception.bstrSource);
    if (exception.bstrDescription) SysFreeString(exception.bstrDescription);
    if (exception.bstrHelpFile) SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr)) throw host::HostError(what + ": call failed");
}

namespace {

// The value itself for a by-reference VARIANT.
const VARIANT& Deref(const VARIANT& v) {
    if (v.vt == (VT_VARIANT | VT_BYREF) && v.pvarVal) return *v.pvarVal;
    return v;
}

}  // namespace

std::string TextOf(const VARIANT& in) {
    Variant text;
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&Deref(in)), 0, VT_BSTR)))
        throw host::HostError("value is not text");
    return text.bstrVal ? wt::Utf8(std::wstring_view(text.bstrVal, SysStringLen(text.bstrVal))) : std::string();
}

long IntOf(const VARIANT& in) {
    Variant number;
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&Deref(in)), 0, VT_I4)))
        throw host::HostError("value is not a number");
    return number.lVal;
}

bool BoolOf(const VARIANT& in) {
    Variant flag;
    if (FAILED(VariantChangeType(&flag, const_cast<VARIANT*>(&Deref(in)), 0, VT_BOOL)))
        throw host::HostError("value is not a truth value");
    return flag.boolVal != VARIANT_FALSE;
}

Ref<IDispatch> ObjectOf(const VARIANT& in) {
    const VARIANT& v = Deref(in);
    IUnknown* unknown = nullptr;
    switch (v.vt) {
        case VT_DISPATCH: unknown = v.pdispVal; break;
        case VT_DISPATCH | VT_BYREF: unknown = v.ppdispVal ? *v.ppdispVal : nullptr; break;
        case VT_UNKNOWN: unknown = v.punkVal; break;
        case VT_UNKNOWN | VT_BYREF: unknown = v.ppunkVal ? *v.ppunkVal : nullptr; break;
        case VT_EMPTY:
        case VT_NULL: return {};
        default: throw host::HostError("value is not an object");
    }
    if (!unknown) return {};
    Ref<IDispatch> object;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.out()))))
        throw host::HostError("object cannot be called by name");
    return object;
}

HRESULT IdsOfNames(std::span<const NamedMember> members, LPOLESTR* names, UINT count, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const auto& m : members)
        if (names[0] && _wcsicmp(names[0], m.name) == 0) ids[0] = m.id;
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

}  // namespace ardeko::addin::win32

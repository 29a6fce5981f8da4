#include "officehost/Dispatch.h"

#include <algorithm>

namespace ardeko::officehost {

namespace {

// A copy of `v` changed to `type` the way Automation coerces arguments.
bool Coerce(const VARIANT* v, VARTYPE type, VARIANT& out) {
    VariantInit(&out);
    if (IsMissing(v)) return false;
    return SUCCEEDED(VariantChangeType(&out, const_cast<VARIANT*>(v), 0, type));
}

}  // namespace

std::optional<long> AsLong(const VARIANT* v) {
    Variant out;
    if (!Coerce(v, VT_I4, out)) return std::nullopt;
    return out.lVal;
}

std::optional<bool> AsBool(const VARIANT* v) {
    Variant out;
    if (!Coerce(v, VT_BOOL, out)) return std::nullopt;
    return out.boolVal != VARIANT_FALSE;
}

std::optional<std::string> AsText(const VARIANT* v) {
    Variant out;
    if (!Coerce(v, VT_BSTR, out)) return std::nullopt;
    return win32::Utf8(FromBstr(out.bstrVal));
}

IDispatch* AsObject(const VARIANT* v) {
    if (!v) return nullptr;
    if (v->vt == VT_DISPATCH) return v->pdispVal;
    if (v->vt == (VT_DISPATCH | VT_BYREF)) return v->ppdispVal ? *v->ppdispVal : nullptr;
    return nullptr;
}

void SetText(VARIANT* out, const std::string& utf8) {
    if (!out) return;
    const std::wstring w = win32::Wide(utf8);
    out->vt = VT_BSTR;
    out->bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}
void SetLong(VARIANT* out, long v) {
    if (out) out->vt = VT_I4, out->lVal = v;
}
void SetBool(VARIANT* out, bool v) {
    if (out) out->vt = VT_BOOL, out->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}
void SetObject(VARIANT* out, IDispatch* d) {
    if (!out) return;
    out->vt = VT_DISPATCH;
    out->pdispVal = d;
    if (d) d->AddRef();
}

VARIANT* Call::Arg(UINT pos) const {
    if (!params_) return nullptr;
    for (UINT i = 0; i < params_->cNamedArgs; ++i)
        if (params_->rgdispidNamedArgs[i] == static_cast<DISPID>(pos)) return IsMissing(&params_->rgvarg[i]) ? nullptr : Follow(&params_->rgvarg[i]);
    const UINT positional = PositionalCount();
    if (pos >= positional) return nullptr;
    VARIANT* v = Follow(&params_->rgvarg[params_->cArgs - 1 - pos]);
    return IsMissing(v) ? nullptr : v;
}

bool Call::ByName(UINT pos) const {
    for (UINT i = 0; params_ && i < params_->cNamedArgs; ++i)
        if (params_->rgdispidNamedArgs[i] == static_cast<DISPID>(pos)) return true;
    return false;
}

VARIANT* Call::PutValue() const {
    if (!params_) return nullptr;
    for (UINT i = 0; i < params_->cNamedArgs; ++i)
        if (params_->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) return Follow(&params_->rgvarg[i]);
    return nullptr;
}

bool Call::HasExtra(UINT declared) const {
    if (!params_) return false;
    if (PositionalCount() > declared) return true;
    for (UINT i = 0; i < params_->cNamedArgs; ++i) {
        const DISPID d = params_->rgdispidNamedArgs[i];
        if (d != DISPID_PROPERTYPUT && (d < 0 || static_cast<UINT>(d) >= declared)) return true;
    }
    return false;
}

HRESULT CallByName(IDispatch* object, const std::wstring& name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
    if (!object) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO excep{};
    UINT argErr = 0;
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argErr);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return hr;
}

}  // namespace ardeko::officehost

// Registration of the library: per user by default (no administrator rights), machine-wide
// on request (`regsvr32 /n /i:machine`) for COM implementations that only read the machine's
// classes. Unregistering removes exactly the keys that registering writes.
#include <windows.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "addin/Connect.h"
#include "addin/win32/ComServer.h"
#include "addin/win32/FaultGuard.h"
#include "platform/win32/WinText.h"

namespace {

namespace wt = ardeko::win32;
using ardeko::AddinHosts;

const std::wstring kLibIdText = wt::Wide(ardeko::AddinTypeLibraryId);
const std::wstring kLibVersionText = wt::Wide(ardeko::AddinTypeLibraryVersion);
const wchar_t* const kLibId = kLibIdText.c_str();
const wchar_t* const kLibVersion = kLibVersionText.c_str();

bool SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS) return false;
    const LONG rc = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

bool SetNumber(HKEY root, const std::wstring& key, const wchar_t* name, DWORD value) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS) return false;
    const LONG rc = RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS;
}

void RemoveTree(HKEY root, const std::wstring& key) {
    RegDeleteTreeW(root, key.c_str());
    RegDeleteKeyW(root, key.c_str());
}

// A key that is left without values and subkeys after our part went.
void RemoveIfEmpty(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    const bool empty = RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       subkeys == 0 && values == 0;
    RegCloseKey(k);
    if (empty) RegDeleteKeyW(root, key.c_str());
}

std::wstring Folder(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HRESULT Register(HKEY root) {
    const std::wstring path = ardeko::addin::win32::LibraryPath();
    if (path.empty()) return SELFREG_E_CLASS;
    bool ok = true;
    const bool win64 = sizeof(void*) == 8;
    for (const auto& row : ardeko::AddinRegistryRows(wt::Utf8(path), wt::Utf8(Folder(path)), win64)) {
        const std::wstring key = wt::Wide(row.key), name = wt::Wide(row.name);
        const wchar_t* valueName = row.name.empty() ? nullptr : name.c_str();
        ok &= row.isNumber ? SetNumber(root, key, valueName, row.number) : SetText(root, key, valueName, wt::Wide(row.text));
    }
    return ok ? S_OK : SELFREG_E_CLASS;
}

#ifdef _WIN64
const wchar_t* const kPlatform = L"win64";
const wchar_t* const kOtherPlatform = L"win32";
#else
const wchar_t* const kPlatform = L"win32";
const wchar_t* const kOtherPlatform = L"win64";
#endif

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

HRESULT Unregister(HKEY root) {
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring lib = classes + L"TypeLib\\" + kLibId, version = lib + L"\\" + kLibVersion;
    // The ProgIds, the hosts' add-in entries and the type library's version key are one set of
    // keys for the 32-bit and the 64-bit library; only the classes live in each bitness's own
    // registry view. Each library marks its registration with its platform entry of the type
    // library: while the other one's mark is there, the shared keys stay for it, and the last
    // one to go removes them.
    const bool otherRegistered = KeyExists(root, version + L"\\0\\" + kOtherPlatform);
    for (const auto& h : AddinHosts()) {
        RemoveTree(root, classes + L"CLSID\\" + wt::Wide(h.classId));
        if (otherRegistered) continue;
        const std::wstring progId = wt::Wide(h.progId);
        RemoveTree(root, classes + progId);
        const std::wstring addins = L"Software\\Microsoft\\Office\\" + wt::Wide(h.hostName) + L"\\Addins";
        RemoveTree(root, addins + L"\\" + progId);
        // The host's own keys stay unless we made them and nothing else is in them.
        RemoveIfEmpty(root, addins);
        RemoveIfEmpty(root, L"Software\\Microsoft\\Office\\" + wt::Wide(h.hostName));
    }
    RemoveIfEmpty(root, L"Software\\Microsoft\\Office");
    RemoveTree(root, version + L"\\0\\" + kPlatform);
    if (!otherRegistered) RemoveTree(root, version);
    RemoveIfEmpty(root, lib);
    // Class containers that our registration made are not left behind empty.
    RemoveIfEmpty(root, classes + L"TypeLib");
    RemoveIfEmpty(root, classes + L"CLSID");
    return S_OK;
}

template <class F>
HRESULT Guarded(F&& f) {
    HRESULT hr = E_UNEXPECTED;
    ardeko::addin::win32::Entry([&] {
        try {
            hr = f();
        } catch (...) {
            hr = E_UNEXPECTED;
        }
    });
    return hr;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return Guarded([] { return Register(HKEY_CURRENT_USER); }); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return Guarded([] { return Unregister(HKEY_CURRENT_USER); }); }

// `regsvr32 /n /i:machine` registers for every user of the machine (administrator rights);
// `/i:user` or no text is the per-user registration.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR commandLine) {
    return Guarded([&] {
        const std::wstring scope = commandLine ? commandLine : L"";
        HKEY root = HKEY_CURRENT_USER;
        if (_wcsicmp(scope.c_str(), L"machine") == 0)
            root = HKEY_LOCAL_MACHINE;
        else if (!scope.empty() && _wcsicmp(scope.c_str(), L"user") != 0)
            return E_INVALIDARG;
        return install ? Register(root) : Unregister(root);
    });
}

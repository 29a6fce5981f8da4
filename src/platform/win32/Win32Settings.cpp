// Per-user settings where such Windows programs keep theirs:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, one text
// value per key.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {
namespace {

std::wstring KeyPath(const std::string& app, const std::string& section) {
    return L"Software\\VB and VBA Program Settings\\" + ardeko::win32::Wide(app) + L"\\" + ardeko::win32::Wide(section);
}

class Win32Settings final : public SettingsStore {
public:
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        if (app.empty() || section.empty() || key.empty()) return def;
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
            return def;
        const std::wstring name = ardeko::win32::Wide(key);
        DWORD type = 0, size = 0;
        std::string result = def;
        if (RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
            if (RegQueryValueExW(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &got) ==
                ERROR_SUCCESS) {
                value.resize(got / sizeof(wchar_t));
                if (const auto nul = value.find(L'\0'); nul != std::wstring::npos) value.resize(nul);
                result = ardeko::win32::Utf8(value);
            }
        }
        RegCloseKey(h);
        return result;
    }

    bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        if (app.empty() || section.empty() || key.empty()) return false;
        HKEY h = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(app, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &h, nullptr) != ERROR_SUCCESS)
            return false;
        const std::wstring text = ardeko::win32::Wide(value);
        const LONG set = RegSetValueExW(h, ardeko::win32::Wide(key).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(text.c_str()),
                                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(h);
        return set == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> MakeWin32Settings() { return std::make_unique<Win32Settings>(); }

}  // namespace ardeko::platform::win32

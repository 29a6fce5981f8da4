// The registry through its ANSI functions, which the reading routine is shaped after. Names
// and text values are converted between UTF-8 and the ANSI code page here.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {
namespace {

HKEY ToKey(RegHandle h) { return reinterpret_cast<HKEY>(h); }

}  // namespace

// The predefined roots are negative 32-bit numbers widened with their sign, as the Windows
// headers define them: 64-bit Windows refuses 0x0000000080000001 for HKEY_CURRENT_USER.
void* RegistryRoot(std::uint32_t hive) {
    return reinterpret_cast<void*>(static_cast<LONG_PTR>(static_cast<LONG>(hive)));
}

namespace {

class Win32Registry final : public Registry {
public:
    long OpenKeyEx(std::uint32_t hive, const std::string& subKey, std::uint32_t access, RegHandle& out) override {
        HKEY h = nullptr;
        const LONG r = RegOpenKeyExA(static_cast<HKEY>(RegistryRoot(hive)),
                                     ardeko::win32::Ansi(subKey).c_str(), 0, access, &h);
        if (r == ERROR_SUCCESS) out = reinterpret_cast<RegHandle>(h);
        return r;
    }

    long QueryValueEx(RegHandle key, const std::string& valueName, std::uint32_t capacity, std::uint32_t& type,
                      std::string& data, std::uint32_t& size) override {
        // The ANSI functions count text in bytes of the code page, one per character.
        std::vector<BYTE> buffer(capacity > 0 ? capacity : 1);
        DWORD t = 0, n = capacity;
        const LONG r = RegQueryValueExA(ToKey(key), ardeko::win32::Ansi(valueName).c_str(), nullptr, &t,
                                        buffer.data(), &n);
        type = t;
        if (r != ERROR_SUCCESS) {
            size = n;
            return r;
        }
        std::string raw(reinterpret_cast<const char*>(buffer.data()), n);
        if (t == REG_SZ || t == REG_EXPAND_SZ) {
            const bool terminated = !raw.empty() && raw.back() == '\0';
            if (terminated) raw.pop_back();
            raw = ardeko::win32::FromAnsi(raw);
            if (terminated) raw += '\0';
        }
        data = raw;
        size = static_cast<std::uint32_t>(raw.size());
        return ERROR_SUCCESS;
    }

    long CloseKey(RegHandle key) override { return RegCloseKey(ToKey(key)); }
};

}  // namespace

std::unique_ptr<Registry> MakeWin32Registry() { return std::make_unique<Win32Registry>(); }

}  // namespace ardeko::platform::win32

#include "support/RegSubs.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/Ports.h"
#include "support/Module.h"

namespace ardeko {
namespace {

constexpr std::uint32_t kTextBufferSize = 10000;
constexpr std::int32_t kExclamation = 48;

void ShowBox(const std::string& text) {
    platform::UI().SystemMessageBox(text, Module().ProductTitle, kExclamation);
}

// Closes the key on every way out, including an exception thrown between open and close.
class OpenKey {
public:
    OpenKey() = default;
    ~OpenKey() { close(); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    platform::RegHandle handle = 0;
    bool open = false;
    void close() {
        if (!open) return;
        open = false;
        try {
            platform::Reg().CloseKey(handle);
        } catch (...) {  // a key that cannot be closed is no reason to fail the read
        }
    }
};

}  // namespace

bool ReadRegValue(std::uint32_t hive, const std::string& keyPath, const std::string& valueName,
                  std::uint32_t expectedType, RegValue& result, bool showErrors) {
    try {
        auto& reg = platform::Reg();
        OpenKey key;
        // Full access on purpose: a user without write rights on the key gets no value, the
        // same as when the key is missing, and the callers then take their own fallback.
        const long opened = reg.OpenKeyEx(hive, keyPath, platform::KEY_ALL_ACCESS_, key.handle);
        if (opened != platform::ERROR_SUCCESS_) {
            if (showErrors)
                ShowBox("Eintrag kann nicht geöffnet werden:\r\nKey/Path= " + keyPath +
                        "\r\nDLL-Rückmeldung=" + std::to_string(opened));
            return false;
        }
        key.open = true;

        const std::uint32_t capacity = expectedType == platform::REG_DWORD_ ? 4 : kTextBufferSize;
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        std::string data;
        const long queried = reg.QueryValueEx(key.handle, valueName, capacity, type, data, size);
        if (queried != platform::ERROR_SUCCESS_) {
            if (showErrors)
                ShowBox("Eintrag/Wert kann nicht gelesen werden:\r\nKey= " + valueName +
                        "\r\nDLL-Rückmeldung=" + std::to_string(queried));
            key.close();
            return false;
        }
        key.close();

        // Converted by what the registry holds, whatever the caller expected.
        switch (type) {
            case platform::REG_SZ_:
            case platform::REG_EXPAND_SZ_: {
                const std::size_t count = size > 0 ? std::min<std::size_t>(size - 1, data.size()) : 0;
                std::string text = data.substr(0, count);
                result = std::move(text);
                return true;
            }
            case platform::REG_DWORD_: {
                std::uint32_t number = 0;
                std::memcpy(&number, data.data(), std::min<std::size_t>(sizeof number, data.size()));
                result = number;
                return true;
            }
            default:
                // Binary, multi-text and the like are asked for by no caller; they give no value.
                return false;
        }
    } catch (const std::exception& e) {
        try {
            ShowBox(std::string("Fehler bei Eintrag lesen: ") + e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            ShowBox("Fehler bei Eintrag lesen: unbekannter Fehler");
        } catch (...) {
        }
    }
    return false;
}

}  // namespace ardeko

#pragma once
// Reading one registry value outside the settings store.
#include <cstdint>
#include <string>
#include <variant>

namespace ardeko {

// Empty, a text (REG_SZ / REG_EXPAND_SZ, unexpanded) or a number (REG_DWORD).
using RegValue = std::variant<std::monostate, std::string, std::uint32_t>;

// True when the value was read into `result`; false (result unchanged) when the key cannot be
// opened or the value not read. With `showErrors` the failure is shown in a message box.
bool ReadRegValue(std::uint32_t hive, const std::string& keyPath, const std::string& valueName,
                  std::uint32_t expectedType, RegValue& result, bool showErrors);

}  // namespace ardeko

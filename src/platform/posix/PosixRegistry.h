#pragma once
// The registry stand-in on Linux: each hive is a text file in the registry editor's export
// format, read anew whenever a key is opened (the files are small and rarely change).
//
//   current user:  $XDG_CONFIG_HOME/Veltrano/HKEY_CURRENT_USER.reg  (default ~/.config/...)
//   local machine: $ARDEKO_MACHINE_REGISTRY (the file, or a folder holding
//                  HKEY_LOCAL_MACHINE.reg), default /etc/ardeko/HKEY_LOCAL_MACHINE.reg
//
// Both export dialects are read: "REGEDIT4" (ANSI, Windows-1252) and "Windows Registry Editor
// Version 5.00" (UTF-16LE with byte-order mark); either may also be plain UTF-8. Text comes
// out as UTF-8.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/Registry.h"

namespace ardeko::platform::posix {

struct RegFileValue {
    std::uint32_t type = REG_SZ_;
    std::string data;  // raw bytes as a query returns them: text in UTF-8 plus its NUL
};

struct RegFileKey {
    std::map<std::string, RegFileValue> values;  // lower-case name ("" = the default value)
};

// One parsed hive: lower-case key path below the root (no leading or trailing backslash)
// -> key. Keys that only lie on the way to a listed key exist as well, empty.
struct RegHive {
    std::map<std::string, RegFileKey> keys;
};

// Parses the bytes of an export file. `rootName` is the hive the file stands for
// ("HKEY_CURRENT_USER"); sections of other roots are ignored. Nothing when the bytes are no
// export file at all; `error` then says why.
std::optional<RegHive> ParseRegFile(const std::string& bytes, const std::string& rootName,
                                    std::string* error = nullptr);

// The hive files as the environment names them now.
std::string UserHivePath();
std::string MachineHivePath();

}  // namespace ardeko::platform::posix

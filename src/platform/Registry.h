#pragma once
// Raw registry access, shaped like the ANSI registry functions so that the reading routine
// above it behaves the same on every platform. Return codes are Windows error codes.
#include <cstdint>
#include <string>

namespace ardeko::platform {

inline constexpr std::uint32_t HKEY_CURRENT_USER_ = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE_ = 0x80000002u;
inline constexpr std::uint32_t KEY_ALL_ACCESS_ = 0xF003Fu;

inline constexpr std::uint32_t REG_SZ_ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ_ = 2;
inline constexpr std::uint32_t REG_DWORD_ = 4;

inline constexpr long ERROR_SUCCESS_ = 0;
inline constexpr long ERROR_FILE_NOT_FOUND_ = 2;
inline constexpr long ERROR_ACCESS_DENIED_ = 5;
inline constexpr long ERROR_INVALID_HANDLE_ = 6;
inline constexpr long ERROR_MORE_DATA_ = 234;

using RegHandle = std::uintptr_t;

class Registry {
public:
    virtual ~Registry() = default;
    virtual long OpenKeyEx(std::uint32_t hive, const std::string& subKey, std::uint32_t access,
                           RegHandle& out) = 0;
    // `capacity` is the size of the caller's buffer: in characters for text values (the
    // terminating NUL included), in bytes for others. On success `data` holds the raw
    // bytes (text values include their terminating NUL), `size` their count and `type` the
    // stored type. A value that does not fit gives ERROR_MORE_DATA_.
    virtual long QueryValueEx(RegHandle key, const std::string& valueName, std::uint32_t capacity,
                              std::uint32_t& type, std::string& data, std::uint32_t& size) = 0;
    virtual long CloseKey(RegHandle key) = 0;
};

}  // namespace ardeko::platform

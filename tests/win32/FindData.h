#pragma once
// Find data as a listing returns it for entries that Wine cannot make.
#include <windows.h>

namespace ardeko::findData {

constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT, kDir = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kRecallOnOpen = 0x00040000, kRecallOnDataAccess = 0x00400000, kPinned = 0x00080000;
constexpr DWORD kCloud = 0x9000001A, kCloud3 = 0x9000301A, kDedup = 0x80000013, kWof = 0x80000017,
                kSymlink = 0xA000000C, kMountPoint = 0xA0000003, kAppExecLink = 0x8000001B;

inline WIN32_FIND_DATAW FindData(DWORD attributes, DWORD tag) {
    WIN32_FIND_DATAW d{};
    d.dwFileAttributes = attributes;
    d.dwReserved0 = tag;
    return d;
}

}  // namespace ardeko::findData

#include "platform/win32/FindData.h"

namespace ardeko::platform::win32 {
namespace {
// Newer than the headers of the oldest Windows we build for; the values are fixed.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;
}  // namespace

FileAttributes ClassifyFindData(const WIN32_FIND_DATAW& data) {
    const DWORD a = data.dwFileAttributes;
    FileAttributes out;
    out.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
    out.readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
    out.system = (a & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE)) != 0 ||
                 ((a & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(data.dwReserved0));
    // Reading such a file would fetch it from the cloud: an offline file, or a placeholder
    // that recalls its data when it is read (or already when it is opened).
    out.cloudOnly = !out.directory && (a & (FILE_ATTRIBUTE_OFFLINE | kRecallOnDataAccess | kRecallOnOpen)) != 0;
    return out;
}

}  // namespace ardeko::platform::win32

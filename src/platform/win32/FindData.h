#pragma once
// What a directory entry is, judged from the find data that a listing returns for it.
#include <windows.h>

#include <string>

#include "platform/FileSystem.h"

namespace ardeko::platform::win32 {

// Whether an entry with these attributes and reparse tag is a link: a name surrogate
// (symbolic link, junction, mount point), which names another place. The tag means nothing
// without the reparse attribute.
bool IsLink(DWORD attributes, DWORD reparseTag);

// Pure: reads only the attributes and, for a reparse point, its tag, so that a listing, a
// lookup by path and an opened handle judge an entry alike and nothing is opened or downloaded.
//  - Links (IsLink) come back as `system`: they are never entered, followed or moved, so a
//    walk cannot loop or leave the chosen tree.
//  - Every other reparse point (cloud files, deduplicated and compressed files) is an
//    ordinary file or folder.
//  - A placeholder whose content is not on this machine is `cloudOnly`.
FileAttributes ClassifyAttributes(DWORD attributes, DWORD reparseTag);
inline FileAttributes ClassifyFindData(const WIN32_FIND_DATAW& data) {
    return ClassifyAttributes(data.dwFileAttributes, data.dwReserved0);
}

// A wildcard pattern as the file system's own matching takes it, rewritten as the system's
// file search rewrites it: "*.*" also finds names without a dot, "?" before a dot or at the
// end may match nothing, and a trailing dot asks for names without an extension. A name
// without wildcards stays as it is.
std::wstring SystemPattern(std::wstring pattern);

}  // namespace ardeko::platform::win32

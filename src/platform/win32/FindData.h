#pragma once
// What a directory entry is, judged from the find data that a listing returns for it.
#include <windows.h>

#include "platform/FileSystem.h"

namespace ardeko::platform::win32 {

// Pure: reads only the attributes and, for a reparse point, its tag (dwReserved0), so that a
// listing and a lookup by path judge an entry alike and nothing is opened or downloaded.
//  - Name surrogates (symbolic links, junctions, mount points) come back as `system`: they
//    are never entered, followed or moved, so a walk cannot loop or leave the chosen tree.
//  - Every other reparse point (cloud files, deduplicated and compressed files) is an
//    ordinary file or folder.
//  - A placeholder whose content is not on this machine is `cloudOnly`.
FileAttributes ClassifyFindData(const WIN32_FIND_DATAW& data);

}  // namespace ardeko::platform::win32

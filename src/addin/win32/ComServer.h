#pragma once
// What the library's parts share: its module handle and its path.
#include <windows.h>

#include <string>

namespace ardeko::addin::win32 {

HINSTANCE LibraryInstance();
std::wstring LibraryPath();

}  // namespace ardeko::addin::win32

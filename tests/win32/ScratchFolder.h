#pragma once
// Test folders on the real file system of Windows (or of the Wine prefix).
#include <windows.h>

#include <string>

#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko {

// A fresh folder under the user's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        for (unsigned i = GetTickCount();; ++i) {
            path_ = win32::Utf8(base) + "ardeko-" + std::to_string(i);
            if (CreateDirectoryW(win32::Wide(path_).c_str(), nullptr)) break;
        }
    }
    ~ScratchFolder() { Remove(platform::win32::LongPath(path_)); }
    std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }
    const std::string& str() const { return path_; }

private:
    static void Remove(const std::wstring& folder) {
        WIN32_FIND_DATAW d{};
        HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = d.cFileName, full = folder + L"\\" + name;
                if (name == L"." || name == L"..") continue;
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if ((d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) RemoveDirectoryW(full.c_str());
                else if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) Remove(full);
                else DeleteFileW(full.c_str());
            } while (FindNextFileW(h, &d));
            FindClose(h);
        }
        RemoveDirectoryW(folder.c_str());
    }
    std::string path_;
};

}  // namespace ardeko

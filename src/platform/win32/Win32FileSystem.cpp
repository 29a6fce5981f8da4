// The file system of this machine, through the wide Win32 calls.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/FindData.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {
namespace {

// A file time as the user's clock showed it on that day (summer time included).
std::optional<LocalDateTime> Local(const FILETIME& utc) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return std::nullopt;
    SYSTEMTIME u{}, l{};
    if (!FileTimeToSystemTime(&utc, &u) || !SystemTimeToTzSpecificLocalTime(nullptr, &u, &l)) return std::nullopt;
    return LocalDateTime{l.wYear, l.wMonth, l.wDay, l.wHour, l.wMinute, l.wSecond};
}

std::optional<LocalDateTime> Pick(const FILETIME& created, const FILETIME& accessed, const FILETIME& written,
                                  FileTimeKind kind) {
    switch (kind) {
        case FileTimeKind::Created: return Local(created);
        case FileTimeKind::LastAccessed: return Local(accessed);
        case FileTimeKind::LastModified: return Local(written);
    }
    return std::nullopt;
}

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

struct FindHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~FindHandle() {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

// The find data of one path, which carry a reparse point's tag where the plain attribute
// lookup does not. A drive root has none: it is an ordinary folder.
std::optional<WIN32_FIND_DATAW> FindDataOf(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    FindHandle find;
    find.h = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find.h != INVALID_HANDLE_VALUE) return data;
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    data.dwFileAttributes = a & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    return data;
}

class Win32DirSearch final : public DirSearch {
public:
    explicit Win32DirSearch(const std::string& folder) : folder_(WithSeparator(folder)) {
        // One listing call per folder, in large batches; the times come with it, so judging a
        // file costs no further call.
        find_.h = FindFirstFileExW(LongPath(folder_ + "*").c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
        pending_ = find_.h != INVALID_HANDLE_VALUE;
    }

    bool next(DirEntry& out) override {
        while (pending_) {
            current_ = data_;
            pending_ = FindNextFileW(find_.h, &data_) != 0;
            const std::wstring name = current_.cFileName;
            if (name == L"." || name == L"..") continue;
            out.name = ardeko::win32::Utf8(name);
            out.attributes = ClassifyFindData(current_);
            currentName_ = out.name;
            return true;
        }
        currentName_.clear();
        return false;
    }

    std::optional<LocalDateTime> fileTime(const std::string& name, FileTimeKind kind) override {
        if (!currentName_.empty() && name == currentName_)
            return Pick(current_.ftCreationTime, current_.ftLastAccessTime, current_.ftLastWriteTime, kind);
        WIN32_FILE_ATTRIBUTE_DATA d{};
        if (!GetFileAttributesExW(LongPath(folder_ + name).c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
        return Pick(d.ftCreationTime, d.ftLastAccessTime, d.ftLastWriteTime, kind);
    }

private:
    std::string folder_;
    FindHandle find_;
    WIN32_FIND_DATAW data_{};
    WIN32_FIND_DATAW current_{};
    std::string currentName_;
    bool pending_ = false;
};

IoResult LastError() { return IoResult::failure(ErrorText(GetLastError())); }

class Win32FileSystem final : public FileSystem {
public:
    char separator() const override { return '\\'; }

    std::unique_ptr<DirSearch> openSearch(const std::string& folder) override {
        return std::make_unique<Win32DirSearch>(folder.empty() ? std::string(".") : folder);
    }

    std::optional<FileAttributes> attributes(const std::string& path) override {
        if (path.empty()) return std::nullopt;
        std::string p = path;
        // "C:\Daten\" names the folder as well as "C:\Daten" does; a drive root keeps its separator.
        while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
        const auto found = FindDataOf(LongPath(p));
        if (!found) return std::nullopt;
        return ClassifyFindData(*found);
    }

    std::optional<LocalDateTime> fileTime(const std::string& path, FileTimeKind kind) override {
        WIN32_FILE_ATTRIBUTE_DATA d{};
        if (path.empty() || !GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &d))
            return std::nullopt;
        return Pick(d.ftCreationTime, d.ftLastAccessTime, d.ftLastWriteTime, kind);
    }

    IoResult createDirectory(const std::string& path) override {
        if (!CreateDirectoryW(LongPath(path).c_str(), nullptr)) return LastError();
        return IoResult::success();
    }

    IoResult copyFile(const std::string& from, const std::string& to) override {
        const std::wstring source = LongPath(from), target = LongPath(to);
        WIN32_FILE_ATTRIBUTE_DATA d{};
        if (!GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &d)) return LastError();
        if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return IoResult::failure(ErrorText(ERROR_ACCESS_DENIED));
        // The system's copy removes a half-written target itself when it fails.
        if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) return LastError();
        KeepTimes(target, d);
        return IoResult::success();
    }

    IoResult removeFile(const std::string& path) override {
        if (!DeleteFileW(LongPath(path).c_str())) return LastError();
        return IoResult::success();
    }

    MoveResult moveFile(const std::string& from, const std::string& to) override {
        // On one volume a rename gives the result of copy and delete at once. A read-only
        // source would be moved by a rename but not deleted after a copy, so it takes the long
        // road, as does anything the rename refuses (another volume, a file kept open by its
        // program): that road tells which stage failed and never loses the file.
        const std::wstring source = LongPath(from);
        const auto found = FindDataOf(source);
        const FileAttributes a = found ? ClassifyFindData(*found) : FileAttributes{};
        if (found && !a.readOnly && !a.directory && !a.system && MoveFileExW(source.c_str(), LongPath(to).c_str(), 0))
            return {};
        // Copying a file whose content is only in the cloud would download it first: it stays.
        if (a.cloudOnly) return {MoveResult::Stage::CopyFailed, "Inhalt liegt nur in der Cloud, nicht auf diesem PC"};
        return FileSystem::moveFile(from, to);
    }

    IoResult appendLines(const std::string& path, const std::vector<std::string>& lines) override {
        // Opened, appended and closed for every call: a viewer or another program may hold the
        // protocol meanwhile, and nothing stays locked between lines.
        std::string data;
        for (const auto& line : lines) {
            data += ardeko::win32::Ansi(line);
            data += "\r\n";
        }
        HANDLE h = CreateFileW(LongPath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return LastError();
        DWORD written = 0;
        const BOOL ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
        const DWORD err = GetLastError();
        CloseHandle(h);
        if (!ok || written != data.size()) return IoResult::failure(ErrorText(ok ? ERROR_WRITE_FAULT : err));
        return IoResult::success();
    }

private:
    // The archived copy keeps all three times of the original, set before the original goes.
    static void KeepTimes(const std::wstring& target, const WIN32_FILE_ATTRIBUTE_DATA& d) {
        HANDLE h = CreateFileW(target.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        SetFileTime(h, &d.ftCreationTime, &d.ftLastAccessTime, &d.ftLastWriteTime);
        CloseHandle(h);
    }
};

}  // namespace

std::unique_ptr<FileSystem> MakeWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace ardeko::platform::win32

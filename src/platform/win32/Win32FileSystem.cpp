// The file system of this machine, through the wide Win32 calls.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {
namespace {

FileAttributes AttributesOf(DWORD a) {
    FileAttributes out;
    out.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
    // Junctions and symbolic links count as system entries: never entered, never moved, so a
    // walk cannot loop or leave the tree the user chose.
    out.system = (a & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0;
    out.readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
    return out;
}

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
            out.attributes = AttributesOf(current_.dwFileAttributes);
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

// Writes all of `bytes` through one handle; false with the error kept in GetLastError.
bool WriteAll(HANDLE h, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

class Win32AppendFile final : public AppendFile {
public:
    explicit Win32AppendFile(HANDLE h) : h_(h) {}
    ~Win32AppendFile() override { CloseHandle(h_); }
    Win32AppendFile(const Win32AppendFile&) = delete;
    Win32AppendFile& operator=(const Win32AppendFile&) = delete;

    // A handle opened with append access alone writes each call at the end of the file, as
    // one piece, whoever else appends meanwhile.
    IoResult append(std::string_view bytes) override { return WriteAll(h_, bytes) ? IoResult::success() : LastError(); }

private:
    HANDLE h_;
};

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
        const DWORD a = GetFileAttributesW(LongPath(p).c_str());
        if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
        return AttributesOf(a);
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
        const DWORD a = GetFileAttributesW(source.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY |
                                                  FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
            MoveFileExW(source.c_str(), LongPath(to).c_str(), 0))
            return {};
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

    std::optional<FileStamp> stamp(const std::string& path) override {
        WIN32_FILE_ATTRIBUTE_DATA d{};
        if (path.empty() || !GetFileAttributesExW(LongPath(path).c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
        if ((d.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0)
            return std::nullopt;
        return FileStamp{(std::uint64_t{d.nFileSizeHigh} << 32) | d.nFileSizeLow,
                         static_cast<std::int64_t>((std::uint64_t{d.ftLastWriteTime.dwHighDateTime} << 32) |
                                                   d.ftLastWriteTime.dwLowDateTime)};
    }

    std::unique_ptr<AppendFile> openAppend(const std::string& path) override {
        HANDLE h = CreateFileW(LongPath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32AppendFile>(h);
    }

    std::optional<std::string> readAll(const std::string& path) override {
        HANDLE h = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        std::string data;
        char buffer[1 << 16];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(h, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) data.append(buffer, got);
        CloseHandle(h);
        if (!ok) return std::nullopt;
        return data;
    }

    IoResult replaceContent(const std::string& path, const std::string& bytes) override {
        const std::wstring target = LongPath(path);
        const std::wstring temp = target + L".ardeko-new-" + std::to_wstring(GetCurrentProcessId());
        HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return LastError();
        bool ok = WriteAll(h, bytes) && FlushFileBuffers(h);
        DWORD err = ok ? 0 : GetLastError();
        CloseHandle(h);
        if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ok = false;
            err = GetLastError();
        }
        if (ok) return IoResult::success();
        DeleteFileW(temp.c_str());
        return IoResult::failure(ErrorText(err));
    }

    IoResult removeDirectory(const std::string& path) override {
        if (!RemoveDirectoryW(LongPath(path).c_str())) return LastError();
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

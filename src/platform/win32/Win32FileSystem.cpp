// The file system of this machine, through the wide Win32 calls.
#include <windows.h>

#include <algorithm>
#include <cstdint>
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
    // `pattern` goes to the system, whose matching is the one users know from the file search:
    // short names included, so "*.MDB" also finds "Kunden.mdb_alt".
    Win32DirSearch(const std::string& folder, const std::string& pattern) : folder_(WithSeparator(folder)) {
        // One listing call per folder, in large batches; the times come with it, so judging a
        // file costs no further call.
        find_.h = FindFirstFileExW(LongPath(folder_ + pattern).c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch,
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

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle() { close(); }
    bool close() {
        const bool ok = h == INVALID_HANDLE_VALUE || CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
};

std::string MachineName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return {};
    return ardeko::win32::Utf8(std::wstring_view(name, size));
}

// Keeps two temporaries of one process apart; the machine and process in the name keep
// those of other writers apart.
std::uint32_t RandomPart() {
    static volatile LONG counter = 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<std::uint32_t>(now.QuadPart) * 2654435761u + static_cast<std::uint32_t>(InterlockedIncrement(&counter));
}

std::string FolderOf(const std::string& path) {
    const auto at = path.find_last_of("\\/");
    return at == std::string::npos ? std::string(".") : path.substr(0, at);
}
std::string NameOf(const std::string& path) {
    const auto at = path.find_last_of("\\/");
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool TargetExists(DWORD err) { return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS; }

// Puts `from` in the place of `to` in one step. NoReplace leaves an existing file alone, also
// one that appears meanwhile (the system checks and renames at once). ReplaceExisting also
// replaces a read-only archived file, whose flag is put back if the rename fails. Returns 0 or
// the error.
DWORD Place(const std::wstring& from, const std::wstring& to, MoveMode mode) {
    const DWORD flags = mode == MoveMode::ReplaceExisting ? MOVEFILE_REPLACE_EXISTING : 0;
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
    DWORD err = GetLastError();
    if (mode != MoveMode::ReplaceExisting || err != ERROR_ACCESS_DENIED) return err;
    const DWORD a = GetFileAttributesW(to.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_READONLY) == 0 ||
        !SetFileAttributesW(to.c_str(), a & ~FILE_ATTRIBUTE_READONLY))
        return err;
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
    err = GetLastError();
    SetFileAttributesW(to.c_str(), a);
    return err;
}

DWORD CopyContent(HANDLE in, HANDLE out) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return GetLastError();
        if (got == 0) return 0;
        DWORD put = 0;
        if (!WriteFile(out, buffer.data(), got, &put, nullptr)) return GetLastError();
        if (put != got) return ERROR_DISK_FULL;
    }
}

// Copies `from` to `to` through a temporary name of ours in the target folder: hidden from its
// first byte, given the source's times and then its read-only and hidden flags, and only then
// put in place in one step. The copy is our own: the system's copy writes under the final name
// and may leave a partial file there when it fails. On failure the temporary goes at once; a
// killed copy leaves only the temporary, which a later run sweeps away. Returns 0 or the error.
DWORD CopyIntoPlace(const std::wstring& from, const std::string& to, MoveMode mode) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    if (!GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &d)) return GetLastError();
    if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return ERROR_ACCESS_DENIED;
    Handle in;
    in.h = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in.h == INVALID_HANDLE_VALUE) return GetLastError();

    const std::string folder = FolderOf(to) + "\\";
    const TempCopyName owner{MachineName(), static_cast<std::uint32_t>(GetCurrentProcessId()), NameOf(to)};
    std::wstring temp;
    Handle out;
    for (int attempt = 0; out.h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = LongPath(folder + MakeTempCopyName(owner, RandomPart()));
        out.h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (out.h == INVALID_HANDLE_VALUE && (GetLastError() != ERROR_FILE_EXISTS || attempt > 100)) return GetLastError();
    }
    DWORD err = CopyContent(in.h, out.h);
    if (err == 0 && !SetFileTime(out.h, &d.ftCreationTime, &d.ftLastAccessTime, &d.ftLastWriteTime)) err = GetLastError();
    if (!out.close() && err == 0) err = GetLastError();
    constexpr DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD flags = d.dwFileAttributes & kept;
    if (err == 0 && !SetFileAttributesW(temp.c_str(), flags != 0 ? flags : FILE_ATTRIBUTE_NORMAL)) err = GetLastError();
    if (err == 0) err = Place(temp, LongPath(to), mode);
    if (err != 0) {
        SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temp.c_str());
    }
    return err;
}

MoveResult CopyFailed(DWORD err) {
    return {MoveResult::Stage::CopyFailed, TargetExists(err) ? std::string(kTargetExistsText) : ErrorText(err)};
}

// The long road of a move: a complete copy in place, then the source deleted.
MoveResult CopyThenDelete(const std::wstring& source, const std::string& to, MoveMode mode) {
    if (const DWORD err = CopyIntoPlace(source, to, mode); err != 0) return CopyFailed(err);
    if (!DeleteFileW(source.c_str())) return {MoveResult::Stage::DeleteFailed, ErrorText(GetLastError())};
    return {};
}

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
        return std::make_unique<Win32DirSearch>(folder.empty() ? std::string(".") : folder, "*");
    }

    std::unique_ptr<DirSearch> openFileSearch(const std::string& folder, const std::string& pattern) override {
        return std::make_unique<Win32DirSearch>(folder.empty() ? std::string(".") : folder, pattern);
    }

    std::unique_ptr<OpenFolder> openFolder(const std::string&) override { return nullptr; }  // TODO

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
        if (const DWORD err = CopyIntoPlace(LongPath(from), to, MoveMode::ReplaceExisting); err != 0)
            return IoResult::failure(ErrorText(err));
        return IoResult::success();
    }

    IoResult removeFile(const std::string& path) override {
        if (!DeleteFileW(LongPath(path).c_str())) return LastError();
        return IoResult::success();
    }

    MoveResult moveFile(const std::string& from, const std::string& to, MoveMode mode) override {
        // On one volume a rename gives the result of copy and delete at once. A read-only
        // source would be moved by a rename but not deleted after a copy, so it takes the long
        // road, as does anything the rename refuses (another volume, a file kept open by its
        // program): that road tells which stage failed and never loses the file.
        const std::wstring source = LongPath(from);
        const auto found = FindDataOf(source);
        if (!found) return CopyFailed(GetLastError());
        const FileAttributes a = ClassifyFindData(*found);
        if (!a.readOnly && !a.directory && !a.system) {
            const DWORD err = Place(source, LongPath(to), mode);
            if (err == 0) return {};
            if (TargetExists(err)) return CopyFailed(err);
        }
        // Copying a file whose content is only in the cloud would download it first: it stays.
        if (a.cloudOnly) return {MoveResult::Stage::CopyFailed, "Inhalt liegt nur in der Cloud, nicht auf diesem PC"};
        return CopyThenDelete(source, to, mode);
    }

    bool temporaryAbandoned(const std::string& path, const TempCopyName& owner) override {
        // The change time moves with every write and with the final setting of times, and
        // nobody sets it back: a copy unchanged for half a day is not being written, on
        // whichever machine.
        Handle h;
        h.h = CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        FILE_BASIC_INFO info{};
        if (h.h == INVALID_HANDLE_VALUE || !GetFileInformationByHandleEx(h.h, FileBasicInfo, &info, sizeof info))
            return false;
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const LONGLONG ticks = (static_cast<LONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime) - info.ChangeTime.QuadPart;
        if (ticks > kAbandonedAfter) return true;
        if (owner.machine != MachineName() || owner.process == 0 || owner.process == GetCurrentProcessId()) return false;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, owner.process);
        if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }

    IoResult appendLines(const std::string& path, const std::vector<std::string>& lines) override {
        // Opened, appended and closed for every call: a viewer or another program may hold the
        // protocol meanwhile, and nothing stays locked between lines.
        std::string data;
        for (const auto& line : lines) {
            data += ardeko::win32::AnsiExact(line);
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
        // Judged by the same rule as a listing: a file in OneDrive is a file, a link is not.
        if (path.empty()) return std::nullopt;
        const auto found = FindDataOf(LongPath(path));
        if (!found) return std::nullopt;
        const FileAttributes a = ClassifyFindData(*found);
        if (a.directory || a.system) return std::nullopt;
        const WIN32_FIND_DATAW& d = *found;
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
    static constexpr LONGLONG kAbandonedAfter = 12LL * 60 * 60 * 10000000;  // half a day in 100 ns
};

}  // namespace

std::unique_ptr<FileSystem> MakeWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace ardeko::platform::win32

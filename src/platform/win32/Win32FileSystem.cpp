// The file system of this machine: the wide Win32 calls, and for folders held open the native
// calls relative to their handles.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

// ---- The native calls: opening relative to a folder handle, listing with the system's
// pattern, renaming into a folder handle. All of them are older than Windows 7.

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

constexpr DWORD kStoppedOnLink = 681;  // ERROR_STOPPED_ON_SYMLINK, missing from older headers
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kNotADirectory = static_cast<NTSTATUS>(0xC0000103);
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A folder held open may be listed, entered and written in by anyone, but not renamed or
// removed (DELETE is not shared): while a run holds it, no other folder or link can take its
// place under its name, and a user who tries sees the folder in use.
constexpr ULONG kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ACCESS_MASK kLookAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;

struct AttributeTag {  // FILE_ATTRIBUTE_TAG_INFORMATION
    ULONG attributes = 0;
    ULONG tag = 0;
};

DWORD ErrorOf(NTSTATUS status) { return NT_SUCCESS(status) ? 0 : RtlNtStatusToDosError(status); }

// Opens `name`, one level below `folder`; an empty name opens what `folder` itself is open
// on (a folder or a file) once more, with other rights.
NTSTATUS OpenAt(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                ULONG options, Handle& out, ULONG attributes = FILE_ATTRIBUTE_NORMAL) {
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    UNICODE_STRING u{bytes, bytes, const_cast<PWSTR>(name.data())};
    OBJECT_ATTRIBUTES oa{};
    oa.Length = sizeof oa;
    oa.RootDirectory = folder;
    oa.ObjectName = &u;
    oa.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK io{};
    HANDLE h = nullptr;
    out.close();
    const NTSTATUS status = NtCreateFile(&h, access, &oa, &io, nullptr, attributes, share, disposition,
                                         options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT, nullptr, 0);
    if (NT_SUCCESS(status)) out.h = h;
    return status;
}

// Opens the entry `name` of `folder` itself: a link is opened as the link, never followed.
NTSTATUS OpenEntry(HANDLE folder, std::wstring_view name, ACCESS_MASK access, Handle& out, ULONG options = 0) {
    return OpenAt(folder, name, access, kShareAll, FILE_OPEN, options | FILE_OPEN_REPARSE_POINT, out);
}

std::optional<AttributeTag> TagOf(HANDLE h) {
    AttributeTag info;
    IO_STATUS_BLOCK io{};
    if (!NT_SUCCESS(NtQueryInformationFile(h, &io, &info, sizeof info, FileAttributeTagInformation))) return std::nullopt;
    return info;
}

std::optional<FILE_BASIC_INFORMATION> BasicOf(HANDLE h) {
    FILE_BASIC_INFORMATION info{};
    IO_STATUS_BLOCK io{};
    if (!NT_SUCCESS(NtQueryInformationFile(h, &io, &info, sizeof info, FileBasicInformation))) return std::nullopt;
    return info;
}

FILETIME AsFileTime(const LARGE_INTEGER& t) {
    return {static_cast<DWORD>(t.QuadPart), static_cast<DWORD>(static_cast<ULONGLONG>(t.QuadPart) >> 32)};
}

std::optional<LocalDateTime> PickOf(const FILE_BASIC_INFORMATION& b, FileTimeKind kind) {
    return Pick(AsFileTime(b.CreationTime), AsFileTime(b.LastAccessTime), AsFileTime(b.LastWriteTime), kind);
}

// Sets the attributes of an opened file, its times unchanged.
DWORD SetAttributes(HANDLE h, DWORD attributes) {
    FILE_BASIC_INFORMATION info{};
    info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    IO_STATUS_BLOCK io{};
    return ErrorOf(NtSetInformationFile(h, &io, &info, sizeof info, FileBasicInformation));
}

// Deletes an opened file (once every handle to it is closed).
DWORD Dispose(HANDLE h) {
    BOOLEAN remove = TRUE;  // FILE_DISPOSITION_INFORMATION
    IO_STATUS_BLOCK io{};
    return ErrorOf(NtSetInformationFile(h, &io, &remove, sizeof remove, FileDispositionInformation));
}

DWORD RemoveAt(HANDLE folder, std::wstring_view name, bool evenReadOnly = false) {
    Handle h;
    if (const NTSTATUS s = OpenEntry(folder, name, DELETE | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, h, FILE_NON_DIRECTORY_FILE);
        !NT_SUCCESS(s))
        return ErrorOf(s);
    if (evenReadOnly) SetAttributes(h.h, FILE_ATTRIBUTE_NORMAL);
    return Dispose(h.h);
}

// Renames the opened file to `name`, relative to `folder` (or a full native path for none).
DWORD RenameInfo(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
    const ULONG bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::vector<ULONGLONG> buffer((sizeof(FILE_RENAME_INFORMATION) + bytes) / sizeof(ULONGLONG) + 1);
    auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = folder;
    info->FileNameLength = bytes;
    std::copy(name.begin(), name.end(), info->FileName);
    IO_STATUS_BLOCK io{};
    return ErrorOf(NtSetInformationFile(file, &io, info, static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)),
                                        FileRenameInformation));
}

// The native path of an opened folder (\??\C:\Daten, \??\UNC\Server\Freigabe\Daten),
// or "" when it cannot be told.
std::wstring NativePathOf(HANDLE folder) {
    std::vector<wchar_t> buffer(1024);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = GetFinalPathNameByHandleW(folder, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < buffer.size()) {
            std::wstring path(buffer.data(), n);  // \\?\C:\Daten or \\?\UNC\...
            if (path.rfind(L"\\\\?\\", 0) != 0) return {};
            return L"\\??\\" + path.substr(4);
        }
        buffer.resize(n + 1);
    }
    return {};
}

// Renames the opened file to `name` in the opened `folder`, in one step. A network redirector
// takes no name relative to a folder handle; the folder is then named by its full path, which
// nobody can change meanwhile: the folders a run holds are not shared for renaming.
DWORD Rename(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
    const DWORD err = RenameInfo(file, folder, name, replace);
    if (err != ERROR_INVALID_PARAMETER && err != ERROR_NOT_SUPPORTED) return err;
    const std::wstring full = NativePathOf(folder);
    return full.empty() ? err : RenameInfo(file, nullptr, full + L"\\" + name, replace);
}

bool TargetExists(DWORD err) { return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS; }

// Puts the opened file in the place of `name` in `folder` in one step. NoReplace leaves an
// existing file alone, also one that appears meanwhile (the system checks and renames at
// once). ReplaceExisting also replaces a read-only archived file, whose flag is put back if
// the rename fails. Returns 0 or the error.
DWORD Place(HANDLE file, HANDLE folder, const std::wstring& name, MoveMode mode) {
    const bool replace = mode == MoveMode::ReplaceExisting;
    DWORD err = Rename(file, folder, name, replace);
    if (!replace || err != ERROR_ACCESS_DENIED) return err;
    DWORD was = 0;
    {
        // An open file cannot be replaced: the flag is changed through a handle closed again at once.
        Handle old;
        if (!NT_SUCCESS(OpenEntry(folder, name, kLookAccess | FILE_WRITE_ATTRIBUTES, old))) return err;
        const auto tag = TagOf(old.h);
        if (!tag || (tag->attributes & FILE_ATTRIBUTE_READONLY) == 0) return err;
        was = tag->attributes;
        if (SetAttributes(old.h, was & ~FILE_ATTRIBUTE_READONLY) != 0) return err;
    }
    if ((err = Rename(file, folder, name, true)) == 0) return 0;
    Handle old;
    if (NT_SUCCESS(OpenEntry(folder, name, kLookAccess | FILE_WRITE_ATTRIBUTES, old))) SetAttributes(old.h, was);
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

// Copies the opened file `source` to `name` in the opened folder `to` through a temporary name
// of ours there: hidden from its first byte, given the source's times and then its read-only
// and hidden flags, and only then put in place in one step. The copy is our own: the system's
// copy writes under the final name and may leave a partial file there when it fails. On
// failure the temporary goes at once; a killed copy leaves only the temporary, which a later
// run sweeps away. Returns 0 or the error.
DWORD CopyIntoPlace(HANDLE source, HANDLE to, const std::wstring& name, MoveMode mode) {
    Handle in;  // the very file opened, read through a handle of its own
    if (const NTSTATUS s = OpenAt(source, L"", FILE_READ_DATA | kLookAccess, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, in);
        !NT_SUCCESS(s))
        return ErrorOf(s);
    const auto basic = BasicOf(in.h);
    if (!basic) return ERROR_ACCESS_DENIED;

    const TempCopyName owner{MachineName(), static_cast<std::uint32_t>(GetCurrentProcessId()), ardeko::win32::Utf8(name)};
    std::wstring temp;
    Handle out;
    for (int attempt = 0; out.h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = ardeko::win32::Wide(MakeTempCopyName(owner, RandomPart()));
        const NTSTATUS s = OpenAt(to, temp, FILE_GENERIC_WRITE, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY,
                                  out, FILE_ATTRIBUTE_HIDDEN);
        if (!NT_SUCCESS(s) && (s != kNameCollision || attempt > 100)) return ErrorOf(s);
    }
    DWORD err = CopyContent(in.h, out.h);
    const FILETIME created = AsFileTime(basic->CreationTime), accessed = AsFileTime(basic->LastAccessTime),
                   written = AsFileTime(basic->LastWriteTime);
    if (err == 0 && !SetFileTime(out.h, &created, &accessed, &written)) err = GetLastError();
    if (!out.close() && err == 0) err = GetLastError();
    in.close();
    constexpr DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    Handle copy;
    if (err == 0)
        err = ErrorOf(OpenEntry(to, temp, DELETE | kLookAccess | FILE_WRITE_ATTRIBUTES, copy, FILE_NON_DIRECTORY_FILE));
    if (err == 0) err = SetAttributes(copy.h, basic->FileAttributes & kept);
    if (err == 0) err = Place(copy.h, to, name, mode);
    if (err != 0) {
        copy.close();
        RemoveAt(to, temp, true);
    }
    return err;
}

MoveResult CopyFailed(DWORD err) {
    return {MoveResult::Stage::CopyFailed, TargetExists(err) ? std::string(kTargetExistsText) : ErrorText(err)};
}

// The source of a move or copy, opened as itself (a link is not followed) and judged.
struct Source {
    Handle h;
    bool deletable = false;  // opened with the right to delete it
    FileAttributes attributes;
};

// 0, or why the file cannot be taken: it cannot be opened, or it is a link.
DWORD OpenSource(HANDLE folder, const std::wstring& name, Source& out) {
    // A file its program keeps open may refuse the right to delete it but still be copied.
    NTSTATUS s = OpenEntry(folder, name, DELETE | kLookAccess, out.h);
    out.deletable = NT_SUCCESS(s);
    if (!out.deletable) s = OpenEntry(folder, name, kLookAccess, out.h);
    if (!NT_SUCCESS(s)) return ErrorOf(s);
    const auto tag = TagOf(out.h.h);
    if (!tag) return ERROR_ACCESS_DENIED;
    if (IsLink(tag->attributes, tag->tag)) return kStoppedOnLink;
    out.attributes = ClassifyAttributes(tag->attributes, tag->tag);
    return 0;
}

// Moves the file `name` of the opened folder `from` to `target` in the opened folder `to`;
// `shown` is the source's path for the texts.
MoveResult MoveBetween(HANDLE from, const std::wstring& name, HANDLE to, const std::wstring& target, MoveMode mode,
                       const std::string& shown) {
    Source source;
    const DWORD opened = OpenSource(from, name, source);
    const FileAttributes& a = source.attributes;
    // A link or a folder put in the file's place after the listing is not taken.
    if (opened == kStoppedOnLink || (opened == 0 && a.directory)) return {MoveResult::Stage::CopyFailed, NotAFileText(shown)};
    if (opened != 0) return CopyFailed(opened);
    // On one volume a rename gives the result of copy and delete at once. A read-only
    // source would be moved by a rename but not deleted after a copy, so it takes the long
    // road, as does anything the rename refuses (another volume, a file kept open by its
    // program): that road tells which stage failed and never loses the file.
    if (source.deletable && !a.readOnly && !a.system) {
        const DWORD err = Place(source.h.h, to, target, mode);
        if (err == 0) return {};
        if (TargetExists(err)) return CopyFailed(err);
    }
    // Copying a file whose content is only in the cloud would download it first: it stays.
    if (a.cloudOnly) return {MoveResult::Stage::CopyFailed, "Inhalt liegt nur in der Cloud, nicht auf diesem PC"};
    if (const DWORD err = CopyIntoPlace(source.h.h, to, target, mode); err != 0) return CopyFailed(err);
    const DWORD err = source.deletable ? Dispose(source.h.h) : RemoveAt(from, name);
    if (err != 0) return {MoveResult::Stage::DeleteFailed, ErrorText(err)};
    return {};
}

// The change time moves with every write and with the final setting of times, and nobody
// sets it back: a copy unchanged for half a day is not being written, on whichever machine.
bool Abandoned(HANDLE h, const TempCopyName& owner) {
    constexpr LONGLONG kAbandonedAfter = 12LL * 60 * 60 * 10000000;  // half a day in 100 ns
    const auto info = BasicOf(h);
    if (!info) return false;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const LONGLONG ticks = (static_cast<LONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime) - info->ChangeTime.QuadPart;
    if (ticks > kAbandonedAfter) return true;
    if (owner.machine != MachineName() || owner.process == 0 || owner.process == GetCurrentProcessId()) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, owner.process);
    if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// One listing of an opened folder, in large batches, with the pattern handed to the file
// system. The times come with it, so judging a file costs no further call.
class NtDirSearch final : public DirSearch {
public:
    NtDirSearch(Handle&& folder, const std::string& pattern) : buffer_(64 * 1024 / sizeof(ULONGLONG)) {
        std::swap(folder_.h, folder.h);
        pattern_ = SystemPattern(ardeko::win32::Wide(pattern.empty() ? std::string("*") : pattern));
    }

    bool next(DirEntry& out) override {
        for (;;) {
            if (at_ == nullptr && !fetch()) {
                currentName_.clear();
                return false;
            }
            const auto* e = reinterpret_cast<const FILE_BOTH_DIR_INFORMATION*>(at_);
            at_ = e->NextEntryOffset != 0 ? at_ + e->NextEntryOffset : nullptr;
            const std::wstring_view name(e->FileName, e->FileNameLength / sizeof(wchar_t));
            if (name == L"." || name == L"..") continue;
            out.name = ardeko::win32::Utf8(name);
            // For a reparse point the tag stands where the extended attributes' size would.
            out.attributes = ClassifyAttributes(e->FileAttributes, e->EaSize);
            current_ = {e->CreationTime, e->LastAccessTime, e->LastWriteTime, e->ChangeTime, e->FileAttributes};
            currentName_ = out.name;
            return true;
        }
    }

    std::optional<LocalDateTime> fileTime(const std::string& name, FileTimeKind kind) override {
        if (!currentName_.empty() && name == currentName_) return PickOf(current_, kind);
        Handle h;
        if (!NT_SUCCESS(OpenEntry(folder_.h, ardeko::win32::Wide(name), kLookAccess, h))) return std::nullopt;
        const auto basic = BasicOf(h.h);
        return basic ? PickOf(*basic, kind) : std::nullopt;
    }

private:
    bool fetch() {
        if (done_ || folder_.h == INVALID_HANDLE_VALUE) return false;
        const auto bytes = static_cast<USHORT>(pattern_.size() * sizeof(wchar_t));
        UNICODE_STRING mask{bytes, bytes, pattern_.data()};
        IO_STATUS_BLOCK io{};
        const NTSTATUS s = NtQueryDirectoryFile(folder_.h, nullptr, nullptr, nullptr, &io, buffer_.data(),
                                                static_cast<ULONG>(buffer_.size() * sizeof(ULONGLONG)),
                                                FileBothDirectoryInformation, FALSE, first_ ? &mask : nullptr, first_);
        first_ = false;
        if (!NT_SUCCESS(s) || io.Information == 0) {
            done_ = true;  // the end of the listing, or nothing matched
            return false;
        }
        at_ = reinterpret_cast<const char*>(buffer_.data());
        return true;
    }

    Handle folder_;
    std::wstring pattern_;
    std::vector<ULONGLONG> buffer_;
    const char* at_ = nullptr;
    bool first_ = true, done_ = false;
    FILE_BASIC_INFORMATION current_{};
    std::string currentName_;
};

// The levels of a relative path, or nothing when one of them is no name.
std::optional<std::vector<std::wstring>> Levels(const std::string& relative) {
    std::vector<std::wstring> levels;
    std::size_t from = 0;
    for (;;) {
        const auto end = relative.find_first_of("\\/", from);
        const std::string level = relative.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (level.empty() || level == "." || level == "..") return std::nullopt;
        levels.push_back(ardeko::win32::Wide(level));
        if (end == std::string::npos) return levels;
        from = end + 1;
    }
}

// A folder opened by a handle; everything below it is reached from that handle, one level
// at a time.
class NtFolder final : public OpenFolder {
public:
    NtFolder(std::string path, Handle&& h) : OpenFolder(std::move(path)) { std::swap(h_.h, h.h); }

    std::unique_ptr<DirSearch> list(const std::string& pattern) override {
        // A handle of its own: the listing's position and pattern belong to the handle.
        Handle fresh;
        OpenAt(h_.h, L"", FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll, FILE_OPEN, FILE_DIRECTORY_FILE, fresh);
        return std::make_unique<NtDirSearch>(std::move(fresh), pattern);
    }

    std::optional<FileAttributes> attributes(const std::string& relative) override {
        Reached at;
        if (!reach(relative, at)) {
            if (at.failed == kStoppedOnLink) return FileAttributes{.system = true};
            return std::nullopt;
        }
        Handle h;
        if (!NT_SUCCESS(OpenEntry(at.folder, at.name, kLookAccess, h))) return std::nullopt;
        const auto tag = TagOf(h.h);
        if (!tag) return std::nullopt;
        return ClassifyAttributes(tag->attributes, tag->tag);
    }

    std::unique_ptr<OpenFolder> openFolder(const std::string& relative, std::string* why) override {
        Reached at;
        Handle h;
        if (reach(relative, at)) {
            if (const DWORD err = openLevel(at.folder, at.name, h); err != 0) at.error = Why(err, path() + "\\" + relative);
        }
        if (h.h == INVALID_HANDLE_VALUE) {
            if (why) *why = at.error;
            return nullptr;
        }
        return std::make_unique<NtFolder>(path() + "\\" + relative, std::move(h));
    }

    IoResult createFolder(const std::string& name) override {
        Reached at;
        if (!reach(name, at)) return IoResult::failure(at.error);
        Handle h;
        const NTSTATUS s = OpenAt(at.folder, at.name, FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll, FILE_CREATE,
                                  FILE_DIRECTORY_FILE, h);
        if (!NT_SUCCESS(s)) return IoResult::failure(ErrorText(ErrorOf(s)));
        return IoResult::success();
    }

    IoResult removeFile(const std::string& relative) override {
        Reached at;
        if (!reach(relative, at)) return IoResult::failure(at.error);
        if (const DWORD err = RemoveAt(at.folder, at.name); err != 0) return IoResult::failure(ErrorText(err));
        return IoResult::success();
    }

    MoveResult moveFile(const std::string& name, const std::string& relativeTarget, MoveMode mode) override {
        Reached at;
        if (!reach(relativeTarget, at)) return {MoveResult::Stage::CopyFailed, at.error};
        return MoveBetween(h_.h, ardeko::win32::Wide(name), at.folder, at.name, mode, path() + "\\" + name);
    }

    MoveResult moveFileInto(const std::string& name, OpenFolder& target, const std::string& targetName,
                            MoveMode mode) override {
        const auto* to = dynamic_cast<NtFolder*>(&target);
        if (to == nullptr) return CopyFailed(ERROR_NOT_SAME_DEVICE);
        return MoveBetween(h_.h, ardeko::win32::Wide(name), to->h_.h, ardeko::win32::Wide(targetName), mode,
                           path() + "\\" + name);
    }

    IoResult removeFolder(const std::string& name) override {
        // Opened as itself: a link in its place is removed as the link, never what it points to.
        Handle h;
        NTSTATUS s = OpenEntry(h_.h, ardeko::win32::Wide(name), DELETE | kLookAccess, h, FILE_DIRECTORY_FILE);
        if (NT_SUCCESS(s)) {
            if (const DWORD err = Dispose(h.h); err != 0) return IoResult::failure(ErrorText(err));
            return IoResult::success();
        }
        return IoResult::failure(ErrorText(ErrorOf(s)));
    }

    bool temporaryAbandoned(const std::string& relative, const TempCopyName& owner) override {
        Reached at;
        Handle h;
        return reach(relative, at) && NT_SUCCESS(OpenEntry(at.folder, at.name, kLookAccess, h)) && Abandoned(h.h, owner);
    }

private:
    // The folder that holds the last level of a relative path, and that level's name.
    struct Reached {
        Handle owned;  // the folder reached when it is not this one
        HANDLE folder = nullptr;
        std::wstring name;
        std::string error;
        DWORD failed = 0;  // the error of the level on the way that could not be opened
    };

    // What is told when a level cannot be opened: a link or a file is no folder.
    static std::string Why(DWORD err, const std::string& level) {
        return err == kStoppedOnLink || err == ERROR_DIRECTORY ? NotAFolderText(level) : ErrorText(err);
    }

    // Opens the folder level `name` of `parent`, never through a link: 0, or the error
    // (kStoppedOnLink for a link, ERROR_DIRECTORY for a file).
    static DWORD openLevel(HANDLE parent, const std::wstring& name, Handle& out) {
        const ULONG options = FILE_DIRECTORY_FILE;
        // A folder that another program keeps open with the right to delete it cannot be held
        // against renaming; it is still taken, as it is, and never through a link.
        ULONG share = kHeldShare;
        NTSTATUS s = OpenAt(parent, name, kFolderAccess, share, FILE_OPEN, options | FILE_OPEN_REPARSE_POINT, out);
        if (s == kSharingViolation)
            s = OpenAt(parent, name, kFolderAccess, share = kShareAll, FILE_OPEN, options | FILE_OPEN_REPARSE_POINT, out);
        if (!NT_SUCCESS(s)) return ErrorOf(s);
        const auto tag = TagOf(out.h);
        if (!tag || IsLink(tag->attributes, tag->tag)) {
            out.close();
            return kStoppedOnLink;
        }
        // Any other reparse point (a cloud folder) is opened again, the same folder, as its
        // driver expects it, so that it lists what it holds.
        if ((tag->attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return 0;
        Handle plain;
        if (const NTSTATUS again = OpenAt(out.h, L"", kFolderAccess, share, FILE_OPEN, options, plain); !NT_SUCCESS(again))
            return ErrorOf(again);
        std::swap(out.h, plain.h);
        return 0;
    }

    bool reach(const std::string& relative, Reached& at) {
        const auto levels = Levels(relative);
        if (!levels) {
            at.error = ErrorText(ERROR_INVALID_NAME);
            return false;
        }
        at.folder = h_.h;
        std::string walked = path();
        for (std::size_t i = 0; i + 1 < levels->size(); ++i) {
            walked += "\\" + ardeko::win32::Utf8((*levels)[i]);
            Handle next;
            if (const DWORD err = openLevel(at.folder, (*levels)[i], next); err != 0) {
                at.failed = err;
                at.error = Why(err, walked);
                return false;
            }
            std::swap(at.owned.h, next.h);
            at.folder = at.owned.h;
        }
        at.name = levels->back();
        return true;
    }

    Handle h_;
};

// Opens a folder by its path, following a link at the path itself; the caller decides how far
// others may change it while it is held.
DWORD OpenFolderByPath(const std::string& path, ULONG share, Handle& out) {
    out.close();
    out.h = CreateFileW(LongPath(path.empty() ? std::string(".") : path).c_str(), kFolderAccess, share, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (out.h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : err;  // a folder is missing
    }
    const auto tag = TagOf(out.h);
    if (tag && (tag->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
    out.close();
    return ERROR_DIRECTORY;
}

// The folder part of a path as a folder that can be opened ("C:\" for "C:\x.doc"), and the name.
std::string FolderOf(const std::string& path) {
    const auto at = path.find_last_of("\\/");
    if (at == std::string::npos) return ".";
    return at > 0 && path[at - 1] == ':' ? path.substr(0, at + 1) : path.substr(0, at);
}
std::wstring NameOf(const std::string& path) {
    const auto at = path.find_last_of("\\/");
    return ardeko::win32::Wide(at == std::string::npos ? path : path.substr(at + 1));
}

// The folders of a source and a target path, opened for one move or copy between them.
struct PathPair {
    Handle from, to;
    DWORD error = 0;
    PathPair(const std::string& source, const std::string& target) {
        error = OpenFolderByPath(FolderOf(source), kShareAll, from);
        if (error == 0) error = OpenFolderByPath(FolderOf(target), kShareAll, to);
    }
};

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
        Handle h;
        OpenFolderByPath(folder, kShareAll, h);
        return std::make_unique<NtDirSearch>(std::move(h), "");
    }

    std::unique_ptr<OpenFolder> openFolder(const std::string& folder) override {
        Handle h;
        DWORD err = OpenFolderByPath(folder, kHeldShare, h);
        if (err == ERROR_SHARING_VIOLATION) err = OpenFolderByPath(folder, kShareAll, h);  // see openLevel
        if (err != 0) return nullptr;
        std::string path = folder;
        while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
        return std::make_unique<NtFolder>(path, std::move(h));
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
        const PathPair folders(from, to);
        Source source;
        DWORD err = folders.error != 0 ? folders.error : OpenSource(folders.from.h, NameOf(from), source);
        if (err == 0) err = CopyIntoPlace(source.h.h, folders.to.h, NameOf(to), MoveMode::ReplaceExisting);
        if (err != 0) return IoResult::failure(ErrorText(err));
        return IoResult::success();
    }

    IoResult removeFile(const std::string& path) override {
        if (!DeleteFileW(LongPath(path).c_str())) return LastError();
        return IoResult::success();
    }

    MoveResult moveFile(const std::string& from, const std::string& to, MoveMode mode) override {
        // The folders are found by their paths, as the caller named them; the file moved is
        // never one that a link names.
        const PathPair folders(from, to);
        if (folders.error != 0) return CopyFailed(folders.error);
        return MoveBetween(folders.from.h, NameOf(from), folders.to.h, NameOf(to), mode, from);
    }

    bool temporaryAbandoned(const std::string& path, const TempCopyName& owner) override {
        Handle h;
        h.h = CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        return h.h != INVALID_HANDLE_VALUE && Abandoned(h.h, owner);
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
};

}  // namespace

std::unique_ptr<FileSystem> MakeWin32FileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace ardeko::platform::win32

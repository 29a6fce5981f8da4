#include "platform/win32/FindData.h"

namespace ardeko::platform::win32 {
namespace {
// Newer than the headers of the oldest Windows we build for; the values are fixed.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;
// The wildcards of the file system's own matching: '?', '.' and '*' as the old file search knew them.
constexpr wchar_t kDosQm = L'>', kDosDot = L'"', kDosStar = L'<';
}  // namespace

bool IsLink(DWORD attributes, DWORD reparseTag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparseTag);
}

FileAttributes ClassifyAttributes(DWORD a, DWORD reparseTag) {
    FileAttributes out;
    out.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
    out.readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
    out.system = (a & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE)) != 0 || IsLink(a, reparseTag);
    // Reading such a file would fetch it from the cloud: an offline file, or a placeholder
    // that recalls its data when it is read (or already when it is opened).
    out.cloudOnly = !out.directory && (a & (FILE_ATTRIBUTE_OFFLINE | kRecallOnDataAccess | kRecallOnOpen)) != 0;
    return out;
}

std::wstring SystemPattern(std::wstring pattern) {
    if (pattern.find_first_of(L"*?") == std::wstring::npos) return pattern;
    if (pattern == L"*.*") return L"*";  // every name, as it always was
    const bool noExtension = pattern.back() == L'.';
    while (!pattern.empty() && (pattern.back() == L'.' || pattern.back() == L' ')) pattern.pop_back();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (pattern[i] == L'.' && (next == L'*' || next == L'?'))
            pattern[i] = kDosDot;
        else if (pattern[i] == L'?')
            pattern[i] = kDosQm;
    }
    if (noExtension && !pattern.empty() && pattern.back() == L'*') pattern.back() = kDosStar;
    return pattern.empty() ? std::wstring(L"*") : pattern;
}

}  // namespace ardeko::platform::win32

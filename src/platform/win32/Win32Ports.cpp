#include "platform/win32/Win32Ports.h"

#include <windows.h>

#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {

namespace {
template <ShellHandOver handOver>
OwnedPorts MachinePorts() {
    return OwnedPorts{MakeWin32FileSystem(), MakeWin32Settings(), MakeWin32Registry(), MakeWin32Shell(handOver), MakeWin32Clock()};
}
}  // namespace

void InstallWin32Ports(ShellHandOver handOver) {
    InstallMachinePorts(handOver == ShellHandOver::BeforeReturning ? MachinePorts<ShellHandOver::BeforeReturning>
                                                                   : MachinePorts<ShellHandOver::MayReturnEarly>);
}

std::string ErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    if (text.empty()) return "Fehler " + std::to_string(code);
    return ardeko::win32::Utf8(text);
}

std::wstring LongPath(const std::string& utf8) {
    std::wstring path = ardeko::win32::Wide(utf8);
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    // Only full paths can carry the prefix; it also switches off the parsing of "." and "..",
    // which the system's own paths never contain.
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

}  // namespace ardeko::platform::win32

// The Windows shell: special folders, opening documents, Explorer, the environment.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "platform/Shell.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {
namespace {

std::wstring EnvW(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), n);
    value.resize(got < n ? got : 0);
    return value;
}

// The folder of the module this code is linked into: the add-in library inside Office, the
// program itself otherwise.
std::wstring OwnModuleFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&OwnModuleFolder), &self))
        self = nullptr;
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

class Win32Shell final : public Shell {
public:
    explicit Win32Shell(ShellHandOver handOver) : handOver_(handOver) {}

    std::optional<std::string> SpecialFolder(int csidl) override {
        LPITEMIDLIST pidl = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || pidl == nullptr) return std::nullopt;
        wchar_t path[MAX_PATH] = {};
        const BOOL ok = SHGetPathFromIDListW(pidl, path);
        // What the shell hands out goes back to the shell's allocator.
        IMalloc* malloc = nullptr;
        if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc != nullptr) {
            malloc->Free(pidl);
            malloc->Release();
        }
        if (!ok) return std::nullopt;
        std::wstring folder = path;
        while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
        return ardeko::win32::Utf8(folder);
    }

    ShellExecResult ShellExecute(const ShellExecRequest& request) override {
        const std::wstring file = ardeko::win32::Wide(request.file);
        const std::wstring parameters = request.parameters ? ardeko::win32::Wide(*request.parameters) : L"";
        const std::wstring directory = ardeko::win32::Wide(request.directory);
        SHELLEXECUTEINFOW sei{};
        sei.cbSize = sizeof sei;  // 60 bytes in a 32-bit process, 112 in a 64-bit one
        sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // 0x440
        if (handOver_ == ShellHandOver::BeforeReturning) sei.fMask |= SEE_MASK_NOASYNC;
        sei.hwnd = nullptr;
        sei.lpVerb = nullptr;  // the file type's default action
        sei.lpFile = file.c_str();
        sei.lpParameters = request.parameters ? parameters.c_str() : nullptr;
        sei.lpDirectory = directory.empty() ? nullptr : directory.c_str();
        sei.nShow = request.showCommand;
        ShellExecuteExW(&sei);  // its own result says less than hInstApp does
        ShellExecResult result;
        result.instApp = reinterpret_cast<std::intptr_t>(sei.hInstApp);
        result.process = reinterpret_cast<ProcessHandle>(sei.hProcess);
        return result;
    }

    std::uint32_t WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) override {
        return WaitForSingleObject(reinterpret_cast<HANDLE>(process), milliseconds);
    }

    void CloseProcess(ProcessHandle process) override {
        if (process != 0) CloseHandle(reinterpret_cast<HANDLE>(process));
    }

    bool OpenFolderInFileManager(const std::string& folder) override {
        std::wstring windir = EnvW(L"windir");
        std::wstring program = windir.empty() ? L"explorer.exe" : windir + L"\\explorer.exe";
        // The folder is one argument, quoted, whatever blanks it holds.
        std::wstring commandLine = L"\"" + program + L"\" \"" + ardeko::win32::Wide(folder) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return true;
    }

    std::string Environ(const std::string& name) override {
        return ardeko::win32::Utf8(EnvW(ardeko::win32::Wide(name).c_str()));
    }

    std::string ProgramFolder() override { return ardeko::win32::Utf8(OwnModuleFolder()); }

private:
    ShellHandOver handOver_;
};

}  // namespace

std::unique_ptr<Shell> MakeWin32Shell(ShellHandOver handOver) { return std::make_unique<Win32Shell>(handOver); }

}  // namespace ardeko::platform::win32

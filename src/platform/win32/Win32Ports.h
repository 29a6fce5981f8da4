#pragma once
// The Windows implementations of the platform ports.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Ports.h"

namespace ardeko::platform::win32 {

// How the shell hands a document to its program. Inside a host the call may return before the
// program has it; a program that ends right after the call must wait until it has been handed
// over, or a handler that is started late never sees it.
enum class ShellHandOver { MayReturnEarly, BeforeReturning };

// Installs the file system, settings store, registry, shell and clock of this machine. The
// user interface port is the front end's choice and is left as it is.
void InstallWin32Ports(ShellHandOver handOver = ShellHandOver::MayReturnEarly);

std::unique_ptr<FileSystem> MakeWin32FileSystem();
std::unique_ptr<SettingsStore> MakeWin32Settings();  // HKCU\Software\VB and VBA Program Settings
std::unique_ptr<Registry> MakeWin32Registry();
std::unique_ptr<Shell> MakeWin32Shell(ShellHandOver handOver = ShellHandOver::MayReturnEarly);
std::unique_ptr<ClockLocale> MakeWin32Clock();  // the user's regional settings

// The root key handle of a predefined registry root given as its 32-bit number (0x80000001 for
// HKEY_CURRENT_USER), as the Windows headers make it on this bitness.
void* RegistryRoot(std::uint32_t hive);

// The system's description of a Windows error code, without the trailing line break.
std::string ErrorText(unsigned long code);

// A path as the wide functions take it: drive and network paths get the long-path prefix, so
// that folders deeper than 260 characters are still reached.
std::wstring LongPath(const std::string& utf8);

}  // namespace ardeko::platform::win32

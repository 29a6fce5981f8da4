#pragma once
// The Linux implementations of the platform ports.
#include <memory>

#include "platform/Ports.h"

namespace ardeko::platform::posix {

// Installs the file system, settings store, registry stand-in, shell and clock of this
// machine. The user interface port is the front end's choice and is left as it is.
void InstallPosixPorts();

// Factories for the single ports, for front ends and tests that combine them themselves.
std::unique_ptr<FileSystem> MakePosixFileSystem();
std::unique_ptr<SettingsStore> MakePosixSettings();   // $XDG_CONFIG_HOME (default ~/.config)
std::unique_ptr<Registry> MakePosixRegistry();        // .reg hive files, see PosixRegistry.h
std::unique_ptr<Shell> MakePosixShell();
std::unique_ptr<ClockLocale> MakePosixClock();         // the user's locale from the environment

}  // namespace ardeko::platform::posix

#pragma once
// The one place where the system's logic finds its platform. A front end installs the ports
// it wants at start-up; tests swap them for a scope with ScopedPorts.
#include <memory>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace ardeko::platform {

struct Ports {
    FileSystem* fs = nullptr;
    SettingsStore* settings = nullptr;
    Registry* registry = nullptr;
    Shell* shell = nullptr;
    ClockLocale* clock = nullptr;
    Ui* ui = nullptr;
};

Ports& ports();

// Shorthands for the common ports; each throws std::logic_error when the port is missing,
// which the routines' own error trapping turns into their fallback.
FileSystem& Fs();
SettingsStore& Settings();
Registry& Reg();
Shell& Sh();
ClockLocale& Clock();
Ui& UI();

// The ports of this machine, as one platform's factories make them.
struct OwnedPorts {
    std::unique_ptr<FileSystem> fs;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<ClockLocale> clock;
};

// Makes the machine's ports with `make` on the first call and installs them; later calls
// install the same ones. They are kept for the life of the process, because they hold open
// files and the records of started programs, which must outlive every caller. The user
// interface port is the front end's choice and is left as it is.
void InstallMachinePorts(OwnedPorts (*make)());

class ScopedPorts {
public:
    explicit ScopedPorts(const Ports& replacement) : saved_(ports()) { ports() = replacement; }
    ~ScopedPorts() { ports() = saved_; }
    ScopedPorts(const ScopedPorts&) = delete;
    ScopedPorts& operator=(const ScopedPorts&) = delete;

private:
    Ports saved_;
};

}  // namespace ardeko::platform

#pragma once
// The one place where the system's logic finds its platform. A front end installs the ports
// it wants at start-up; tests swap them for a scope with ScopedPorts.
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

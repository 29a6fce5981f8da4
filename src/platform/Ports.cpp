#include "platform/Ports.h"

#include <mutex>
#include <stdexcept>

namespace ardeko::platform {

Ports& ports() {
    static Ports current;
    return current;
}

void InstallMachinePorts(OwnedPorts (*make)()) {
    static std::once_flag made;
    static OwnedPorts kept;
    std::call_once(made, [make] { kept = make(); });
    auto& p = ports();
    p.fs = kept.fs.get();
    p.settings = kept.settings.get();
    p.registry = kept.registry.get();
    p.shell = kept.shell.get();
    p.clock = kept.clock.get();
}

namespace {
template <typename T>
T& need(T* port, const char* what) {
    if (port == nullptr) throw std::logic_error(std::string("no ") + what + " port installed");
    return *port;
}
}  // namespace

FileSystem& Fs() { return need(ports().fs, "file-system"); }
SettingsStore& Settings() { return need(ports().settings, "settings"); }
Registry& Reg() { return need(ports().registry, "registry"); }
Shell& Sh() { return need(ports().shell, "shell"); }
ClockLocale& Clock() { return need(ports().clock, "clock"); }
Ui& UI() { return need(ports().ui, "user-interface"); }

}  // namespace ardeko::platform

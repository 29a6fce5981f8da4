#include "platform/Ports.h"

#include <stdexcept>

namespace ardeko::platform {

Ports& ports() {
    static Ports current;
    return current;
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

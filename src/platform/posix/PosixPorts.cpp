#include "platform/posix/PosixPorts.h"

#include <mutex>

namespace ardeko::platform::posix {

void InstallPosixPorts() {
    // Made once and kept for the life of the process: the ports hold open files and the
    // records of started programs, which must outlive every caller.
    static std::once_flag made;
    static std::unique_ptr<FileSystem> fs;
    static std::unique_ptr<SettingsStore> settings;
    static std::unique_ptr<Registry> registry;
    static std::unique_ptr<Shell> shell;
    static std::unique_ptr<ClockLocale> clock;
    std::call_once(made, [] {
        fs = MakePosixFileSystem();
        settings = MakePosixSettings();
        registry = MakePosixRegistry();
        shell = MakePosixShell();
        clock = MakePosixClock();
    });
    auto& p = ports();
    p.fs = fs.get();
    p.settings = settings.get();
    p.registry = registry.get();
    p.shell = shell.get();
    p.clock = clock.get();
}

}  // namespace ardeko::platform::posix

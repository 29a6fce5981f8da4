#include "platform/posix/PosixPorts.h"

namespace ardeko::platform::posix {

void InstallPosixPorts() {
    InstallMachinePorts([] {
        return OwnedPorts{MakePosixFileSystem(), MakePosixSettings(), MakePosixRegistry(), MakePosixShell(), MakePosixClock()};
    });
}

}  // namespace ardeko::platform::posix

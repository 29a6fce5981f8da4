#include "platform/posix/PosixPorts.h"

namespace ardeko::platform::posix {

void InstallPosixPorts() {}

}  // namespace ardeko::platform::posix

#pragma once
// The Linux implementations of the platform ports.
#include "platform/Ports.h"

namespace ardeko::platform::posix {

// Installs the file system, settings store, registry stand-in, shell and clock of this
// machine. The user interface port is the front end's choice and is left as it is.
void InstallPosixPorts();

}  // namespace ardeko::platform::posix

#include "support/Guard.h"

#include "platform/Ports.h"

namespace ardeko {

void PumpMessages() noexcept {
    Guarded([] { platform::UI().DoEvents(); });
}

void SystemBeep() noexcept {
    Guarded([] { platform::UI().Beep(); });
}

}  // namespace ardeko

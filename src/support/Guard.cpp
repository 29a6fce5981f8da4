#include "support/Guard.h"

#include "platform/Ports.h"

namespace ardeko {

namespace {
HeldOutputHook gHeldOutput = nullptr;
}

void SetHeldOutputHook(HeldOutputHook hook) noexcept { gHeldOutput = hook; }

void WriteHeldOutput(bool all) noexcept {
    if (gHeldOutput) gHeldOutput(all);
}

void PumpMessages() noexcept {
    WriteHeldOutput(false);
    Guarded([] { platform::UI().DoEvents(); });
}

void SystemBeep() noexcept {
    Guarded([] { platform::UI().Beep(); });
}

}  // namespace ardeko

#pragma once
// The Office host's object model over late-bound COM: the objects that the host hands to the
// add-in, wrapped so that the add-in's logic sees them as the host interfaces it was written
// against. Every failing call becomes host::HostError.
#include <windows.h>

#include <memory>

#include "addin/win32/Dispatch.h"
#include "platform/OfficeHost.h"

namespace ardeko::addin::win32 {

std::shared_ptr<host::Application> WrapApplication(IDispatch* application);
std::shared_ptr<host::AddInInstance> WrapAddIn(IDispatch* addIn);
std::shared_ptr<host::RibbonControl> WrapRibbonControl(IDispatch* control);
std::shared_ptr<host::RibbonUI> WrapRibbonUI(IDispatch* ribbon);

// How many File-menu buttons have their click event connected right now; a button whose
// event could not be connected is counted in `ClickConnectFailures`.
long ConnectedClickEvents();
long ClickConnectFailures();

}  // namespace ardeko::addin::win32

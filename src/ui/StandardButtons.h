#pragma once
// The buttons a standard message box shows, with the result code each one returns. With the
// caption-list flag (1024) the German captions stand for the set that the flags no longer carry,
// so the set is recognised from the list itself.
#include <string>
#include <utility>
#include <vector>

#include "platform/Ui.h"

namespace ardeko::ui {

struct StandardButton {
    std::string caption;  // as shown, access-key "&" included
    int result;           // 1 OK, 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No
};

std::vector<StandardButton> StandardButtons(const platform::StyledMsgBoxRequest& request);

// The button that Enter presses: the default-button bits (256, 512) pick it.
int DefaultButtonIndex(const platform::StyledMsgBoxRequest& request, std::size_t buttonCount);

}  // namespace ardeko::ui

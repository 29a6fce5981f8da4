#pragma once
// Window services and the styled control suite, as the system's logic sees them. A renderer
// implements this port: headless for tests, a terminal one for the command line, a desktop
// one on Linux and Win32 on Windows. Lengths are in twips.
#include <cstdint>
#include <string>
#include <vector>

namespace ardeko::ui {
class Form;
}

namespace ardeko::platform {

inline constexpr int SM_CYCAPTION_ = 4;
inline constexpr int SM_CYDLGFRAME_ = 8;

// What the styled suite's message-box service receives from the standard message box.
struct StyledMsgBoxRequest {
    std::string prompt;  // already carries CR LF in front
    std::int32_t flags = 0;
    std::string title;
    std::vector<std::string> captions;  // used when flags has 1024
    std::int32_t colorScheme = 0;
};

class Ui {
public:
    virtual ~Ui() = default;

    // Shows a loaded form modally; returns once the form has been unloaded. A form that the
    // user closes through the window frame is unloaded by the renderer.
    virtual void ShowModal(ui::Form& form) = 0;

    // Processes pending window messages once (clicks, repaints, posted events).
    virtual void DoEvents() = 0;

    virtual void Beep() = 0;

    // The platform's plain message box; returns the standard result code (1 to 7).
    virtual int SystemMessageBox(const std::string& text, const std::string& title,
                                 std::int32_t flags) = 0;

    // The styled suite's message-box service; returns the standard result code (1 to 7).
    virtual int StyledMessageBox(const StyledMsgBoxRequest& request) = 0;

    // The styled suite's current colour scheme.
    virtual std::int32_t CurrentColorScheme() { return 0; }

    virtual int SystemMetric(int id) = 0;

    // Text measured in the form's font.
    virtual int TextWidth(const ui::Form& form, const std::string& text) = 0;
    // Height of a label of the given width that wraps `text`.
    virtual int TextHeight(const ui::Form& form, const std::string& text, int width) = 0;

    virtual void BringToFront(ui::Form& form) = 0;

    // The folder-browse dialog: title above the tree, `startFolder` preselected. Returns the
    // chosen folder's path, or "" when cancelled.
    virtual std::string BrowseForFolder(const std::string& title, const std::string& startFolder,
                                        bool newStyle) = 0;
};

}  // namespace ardeko::platform

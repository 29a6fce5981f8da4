#pragma once
// The system's two message boxes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ardeko {

// Standard message-box flags and results.
enum : std::int32_t {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton2 = 256, vbDefaultButton3 = 512,
    vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7,
};

// A message with a standard button set, German button captions in the German UI.
std::int32_t MsgBoxStd(const std::string& prompt, std::int32_t buttons = vbOKOnly,
                       const std::optional<std::string>& title = std::nullopt);

// The system's own dialog with up to three caller-chosen buttons. Returns the button number
// (1 to 3), 99 for a double click on the form, plus 256 when "don't show again" was ticked;
// -1 when the dialog form cannot be loaded.
std::int16_t MsgBoxEx(const std::string& prompt, const std::vector<std::string>& captions,
                      bool showDontShow, std::optional<std::int32_t> icon = std::nullopt,
                      const std::optional<std::string>& title = std::nullopt,
                      const std::optional<std::string>& helpText = std::nullopt,
                      std::optional<std::int16_t> defaultButton = std::nullopt,
                      std::optional<std::int16_t> cancelButton = std::nullopt);

}  // namespace ardeko

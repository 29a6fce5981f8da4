#pragma once
// Pictures of what the renderer drew, for the screenshots of the manual and the demos.
#include <windows.h>

#include <string>

namespace ardeko::ui::win32 {

// Saves the part of the screen inside `area` as a PNG file; false when it cannot be written.
bool SaveScreenPng(const RECT& area, const std::wstring& file);

}  // namespace ardeko::ui::win32

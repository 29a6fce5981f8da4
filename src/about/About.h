#pragma once
#include <string>

namespace ardeko {

// Shows the About dialog dlgInfo modally.
void ShowInfoDialog();

// The maker's notice without a year, as the add-in's registration data carries it.
inline constexpr const char* MakerNotice = "© Veltrano Publishing";
// The notice line of the About dialog for the given year.
std::string NoticeLine(int year);

}  // namespace ardeko

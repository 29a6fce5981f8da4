#pragma once
namespace ardeko {

// Shows the About dialog dlgInfo modally.
void ShowInfoDialog();

}  // namespace ardeko

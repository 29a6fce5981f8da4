#pragma once
// Choosing the start folder and opening it in the file manager.
#include <string>

namespace ardeko {

class frmArdeko;

// The folder-browse dialog with `startFolder` preselected; an empty or blank start folder is
// replaced (also for the caller) by the user's documents folder. Returns "" when cancelled.
std::string BrowseForFolder(const std::string& title, std::string& startFolder, bool newStyle);

// btnChooseSource click and double click on lblSourcePath.
void ChooseStartFolder(frmArdeko& form);
// btnExplSource click.
void ExploreStartFolder(frmArdeko& form);

}  // namespace ardeko

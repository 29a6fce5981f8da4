// Placeholder until the folder choice is written; keeps the wizard linkable meanwhile.
#include "wizard/FolderChoice.h"

namespace ardeko {

std::string BrowseForFolder(const std::string&, std::string&, bool) { return {}; }
void ChooseStartFolder(frmArdeko&) {}
void ExploreStartFolder(frmArdeko&) {}

}  // namespace ardeko

// Placeholder until the About dialog is written; keeps callers linkable meanwhile.
#include "about/About.h"

namespace ardeko {

void ShowInfoDialog() {}

}  // namespace ardeko

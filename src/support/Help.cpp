// Placeholder until the help lookup is written; keeps callers linkable meanwhile.
#include "support/Help.h"

namespace ardeko {

void ShowHelp() {}

}  // namespace ardeko

#include "support/Module.h"

namespace ardeko {

ModuleValues& Module() {
    static ModuleValues values;
    return values;
}

}  // namespace ardeko

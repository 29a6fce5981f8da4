#pragma once
// The module-wide values of the loaded add-in: set when a host connects, read everywhere.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/OfficeHost.h"

namespace ardeko {

struct ModuleValues {
    std::shared_ptr<host::Application> HostApp;          // empty until a host connects
    std::shared_ptr<host::CommandBars> HostCommandBars;
    std::string AddinProgId;                             // e.g. "VLT_Ardeko.ConnectWD"
    std::int16_t CurrLang = 0;                           // 0 German, anything else English
    std::int32_t ColorScheme = 0;                        // styled suite's scheme, for the message dialog
    std::string ProductTitle;                            // set by InitProductTexts
    std::string ProductName;
    std::string ManualName;
};

// The one set of module-wide values.
ModuleValues& Module();

}  // namespace ardeko

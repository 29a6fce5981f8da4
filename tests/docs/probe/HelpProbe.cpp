// Clicks "Hilfe" once for every host and language, with this machine's ports, and prints per
// click the manual's title and the notice shown instead of a manual (empty when none was
// shown). Copied into an installed bin/ folder, it looks for the manual where an installed
// program does. What was opened goes to the opener named in ARDEKO_OPENER.
#include <iostream>
#include <memory>
#include <string>

#include "platform/Ports.h"
#include "platform/posix/PosixPorts.h"
#include "support/Help.h"
#include "support/Identity.h"
#include "support/Module.h"
#include "testkit/FakeOfficeHost.h"
#include "ui/HeadlessUi.h"

int main() {
    using namespace ardeko;
    platform::posix::InstallPosixPorts();
    ui::HeadlessUi ui;
    platform::ports().ui = &ui;

    // An application name that none of the keys matches gives "Office".
    for (const char* name : {"Microsoft Word", "Microsoft Excel", "Microsoft PowerPoint", "Microsoft Access",
                             "Microsoft Outlook", "Microsoft FrontPage", "Notepad"}) {
        for (std::int16_t lang : {0, 1}) {
            Module().HostApp = std::make_shared<testkit::FakeOfficeHost>(name, "16.0");
            Module().CurrLang = lang;
            InitProductTexts();
            ui.styledBoxes.clear();
            ShowHelp();
            std::string notice = ui.styledBoxes.empty() ? std::string() : ui.styledBoxes.front().prompt;
            for (char& c : notice)
                if (c == '\r' || c == '\n') c = ' ';
            std::cout << Module().ManualName << '\t' << notice << '\n';
        }
    }
    platform::ports().ui = nullptr;
    return 0;
}

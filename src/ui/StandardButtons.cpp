#include "ui/StandardButtons.h"

namespace ardeko::ui {
namespace {

using Set = std::vector<StandardButton>;

Set setFor(int set) {
    switch (set) {
        case 1: return {{"OK", 1}, {"Cancel", 2}};
        case 2: return {{"Abort", 3}, {"Retry", 4}, {"Ignore", 5}};
        case 3: return {{"Yes", 6}, {"No", 7}, {"Cancel", 2}};
        case 4: return {{"Yes", 6}, {"No", 7}};
        case 5: return {{"Retry", 4}, {"Cancel", 2}};
        default: return {{"OK", 1}};
    }
}

}  // namespace

std::vector<StandardButton> StandardButtons(const platform::StyledMsgBoxRequest& request) {
    if ((request.flags & 1024) == 0 || request.captions.empty()) return setFor(request.flags & 7);

    // The German caption lists of the standard sets, in the order the sets are shown.
    static const std::vector<std::pair<std::vector<std::string>, int>> known = {
        {{"&Wiederholen", "&Abbrechen"}, 5},
        {{"&Ja", "&Nein"}, 4},
        {{"&Ja", "&Nein", "&Abbrechen"}, 3},
        {{"&Abbrechen", "&Wiederholen", "&Ignorieren"}, 2},
        {{"OK", "&Abbrechen"}, 1},
        {{"OK"}, 0},
    };
    for (const auto& [captions, set] : known) {
        if (captions == request.captions) {
            Set buttons = setFor(set);
            for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i].caption = captions[i];
            return buttons;
        }
    }
    // An unknown list: the set bits still decide the results, the list the captions.
    Set buttons = setFor(request.flags & 7);
    for (std::size_t i = 0; i < buttons.size() && i < request.captions.size(); ++i)
        buttons[i].caption = request.captions[i];
    return buttons;
}

int DefaultButtonIndex(const platform::StyledMsgBoxRequest& request, std::size_t buttonCount) {
    int index = (request.flags & 512) ? 2 : (request.flags & 256) ? 1 : 0;
    return index < static_cast<int>(buttonCount) ? index : 0;
}

}  // namespace ardeko::ui

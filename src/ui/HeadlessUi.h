#pragma once
// A renderer without a screen. Tests script what the user does: how each modal form is
// answered, what each message box returns, which folder the browse dialog gives, and events
// to be delivered at the next message pump (a click on "Stopp!" in the middle of a run).
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "ui/Form.h"

namespace ardeko::ui {

class HeadlessUi : public platform::Ui {
public:
    struct SystemBox {
        std::string text, title;
        std::int32_t flags;
    };
    struct BrowseCall {
        std::string title, startFolder;
        bool newStyle;
    };

    // --- script ---
    // Called for each modal form, by form name first, else `onModal`. A form still loaded when
    // the handler returns is closed as if through its window frame.
    std::map<std::string, std::function<void(Form&)>> onModalByName;
    std::function<void(Form&)> onModal;
    // Answers of the styled message box; without one, its first button answers (German caption
    // lists count as the set they stand for: "&Ja", "&Nein" answers 6).
    std::function<int(const platform::StyledMsgBoxRequest&)> onStyledBox;
    std::function<int(const SystemBox&)> onSystemBox;  // default: 1 (OK)
    std::function<std::string(const BrowseCall&)> onBrowse;  // default: "" (cancelled)
    std::map<int, int> metrics{{platform::SM_CYCAPTION_, 18}, {platform::SM_CYDLGFRAME_, 3}};
    int charWidth = 90;    // twips per character of the fixed-width rule
    int lineHeight = 195;  // twips per line of wrapped text
    std::int32_t colorScheme = 0;

    // Queues an event for the next DoEvents.
    void Post(std::function<void()> event) { posted_.push_back(std::move(event)); }

    // --- what happened ---
    std::vector<std::string> shownForms;
    std::vector<std::string> shownOwners;  // per shown form: its owner's name, "" for none
    // How often a control's drawn state changed between two pumps, by "form.control" (the
    // pumps of the innermost shown form); a run's status line shows up here.
    std::map<std::string, int> repaints;
    std::vector<platform::StyledMsgBoxRequest> styledBoxes;
    std::vector<SystemBox> systemBoxes;
    std::vector<BrowseCall> browseCalls;
    std::vector<std::string> broughtToFront;
    int beeps = 0;
    long doEventsCalls = 0;

    // --- platform::Ui ---
    void ShowModal(Form& form) override;
    void DoEvents() override;
    void Beep() override { ++beeps; }
    int SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) override;
    int StyledMessageBox(const platform::StyledMsgBoxRequest& request) override;
    std::int32_t CurrentColorScheme() override { return colorScheme; }
    int SystemMetric(int id) override;
    int TextWidth(const Form& form, const std::string& text) override;
    int TextHeight(const Form& form, const std::string& text, int width) override;
    void BringToFront(Form& form) override { broughtToFront.push_back(form.Name()); }
    std::string BrowseForFolder(const std::string& title, const std::string& startFolder,
                                bool newStyle) override;

private:
    std::deque<std::function<void()>> posted_;
    std::vector<FormSync*> syncs_;  // one per form being shown, innermost last
};

// Number of Unicode code points in a UTF-8 text.
std::size_t CodePoints(const std::string& utf8);

}  // namespace ardeko::ui

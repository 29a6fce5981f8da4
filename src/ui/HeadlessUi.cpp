#include "ui/HeadlessUi.h"

#include <algorithm>
#include <utility>

#include "ui/StandardButtons.h"

namespace ardeko::ui {

std::size_t CodePoints(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void HeadlessUi::ShowModal(Form& form) {
    shownForms.push_back(form.Name());
    shownOwners.push_back(form.Owner() ? form.Owner()->Name() : std::string());
    bool closed = false;
    auto savedHook = std::exchange(form.Unloaded, [&closed] { closed = true; });
    FormSync sync(form);
    sync.Poll();  // what is drawn when the window opens
    syncs_.push_back(&sync);
    struct Leave {
        HeadlessUi& ui;
        Form& form;
        std::function<void()>& saved;
        ~Leave() {
            ui.syncs_.pop_back();
            form.Unloaded = std::move(saved);
        }
    } leave{*this, form, savedHook};
    if (auto it = onModalByName.find(form.Name()); it != onModalByName.end() && it->second)
        it->second(form);
    else if (onModal)
        onModal(form);
    if (!closed) form.Unload();  // the script left it open: closed through the window frame
}

void HeadlessUi::DoEvents() {
    ++doEventsCalls;
    if (!syncs_.empty()) {
        FormSync& sync = *syncs_.back();
        for (Control* c : sync.Poll().controls) ++repaints[c->Parent().Name() + "." + c->Name()];
    }
    // Only what was pending when the pump started; events posted by these run next time.
    std::size_t pending = posted_.size();
    for (std::size_t i = 0; i < pending && !posted_.empty(); ++i) {
        auto event = std::move(posted_.front());
        posted_.pop_front();
        if (event) event();
    }
}

int HeadlessUi::SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) {
    systemBoxes.push_back({text, title, flags});
    return onSystemBox ? onSystemBox(systemBoxes.back()) : 1;
}

int HeadlessUi::StyledMessageBox(const platform::StyledMsgBoxRequest& request) {
    styledBoxes.push_back(request);
    if (onStyledBox) return onStyledBox(request);
    return StandardButtons(request).front().result;
}

int HeadlessUi::SystemMetric(int id) {
    auto it = metrics.find(id);
    return it == metrics.end() ? 0 : it->second;
}

int HeadlessUi::TextWidth(const Form&, const std::string& text) {
    // The widest line counts.
    std::size_t widest = 0, start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        widest = std::max(widest, CodePoints(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return static_cast<int>(widest) * charWidth;
}

int HeadlessUi::TextHeight(const Form&, const std::string& text, int width) {
    const int perLine = std::max(1, width / std::max(1, charWidth));
    int lines = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const int n = static_cast<int>(CodePoints(line));
        lines += std::max(1, (n + perLine - 1) / perLine);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines * lineHeight;
}

std::string HeadlessUi::BrowseForFolder(const std::string& title, const std::string& startFolder,
                                        bool newStyle) {
    browseCalls.push_back({title, startFolder, newStyle});
    return onBrowse ? onBrowse(browseCalls.back()) : std::string();
}

}  // namespace ardeko::ui

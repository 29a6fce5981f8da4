#include "TerminalUi.h"

#include <algorithm>

#include "platform/Utf8Text.h"
#include "ui/Form.h"
#include "ui/HeadlessUi.h"

namespace ardeko::cli {

std::atomic<bool> gInterruptRequested{false};

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Length in bytes of the UTF-8 sequence that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Texts of the styled boxes carry every "&" doubled so that no access key forms.
std::string Undouble(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '&' && i + 1 < s.size() && s[i + 1] == '&') ++i;
    }
    return out;
}

// CR LF becomes the terminal's line end and the box's leading line break goes. Whatever else
// would move the cursor or is not UTF-8 (a file name with a line feed or a stray byte in it)
// is shown escaped, as the protocol shows it.
std::string TerminalText(std::string text, bool doubleBackslashes) {
    if (text.rfind("\r\n", 0) == 0) text.erase(0, 2);
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0;;) {
        const auto end = text.find("\r\n", at);
        const auto line = std::string_view(text).substr(at, end == std::string::npos ? end : end - at);
        out += platform::VisibleText(line, doubleBackslashes ? platform::Backslashes::Doubled : platform::Backslashes::Single);
        if (end == std::string::npos) break;
        out += '\n';
        at = end + 2;
    }
    return out;
}

// The first `n` code points of a UTF-8 text.
std::string HeadCodePoints(const std::string& s, std::size_t n) {
    std::size_t i = 0, count = 0;
    while (i < s.size() && count < n) {
        i += SequenceLength(static_cast<unsigned char>(s[i]));
        ++count;
    }
    return s.substr(0, std::min(i, s.size()));
}

// Captions of a standard button set and the results they give, as the service shows them
// when the caller brings no caption list of its own.
struct ButtonSet {
    std::vector<std::string> captions;
    std::vector<int> results;
};

ButtonSet SetOfFlags(std::int32_t flags) {
    switch (flags & 7) {
        case 1: return {{"OK", "Cancel"}, {1, 2}};
        case 2: return {{"&Abort", "&Retry", "&Ignore"}, {3, 4, 5}};
        case 3: return {{"&Yes", "&No", "Cancel"}, {6, 7, 2}};
        case 4: return {{"&Yes", "&No"}, {6, 7}};
        case 5: return {{"&Retry", "Cancel"}, {4, 2}};
        default: return {{"OK"}, {1}};
    }
}

// With a caption list (flag 1024) the standard message box has already taken the button-set
// bits out of the flags; the list itself tells which set it stands for.
ButtonSet StandardButtons(const platform::StyledMsgBoxRequest& request) {
    if ((request.flags & 1024) == 0 || request.captions.empty()) return SetOfFlags(request.flags);
    static const std::vector<std::pair<std::vector<std::string>, std::vector<int>>> known = {
        {{"ok"}, {1}},
        {{"ok", "abbrechen"}, {1, 2}},
        {{"abbrechen", "wiederholen", "ignorieren"}, {3, 4, 5}},
        {{"ja", "nein", "abbrechen"}, {6, 7, 2}},
        {{"ja", "nein"}, {6, 7}},
        {{"wiederholen", "abbrechen"}, {4, 2}},
    };
    std::vector<std::string> words;
    for (const auto& caption : request.captions) words.push_back(LowerAscii(DisplayCaption(caption)));
    for (const auto& [names, results] : known)
        if (names == words) return {request.captions, results};
    ButtonSet set = SetOfFlags(request.flags);
    for (std::size_t i = 0; i < set.captions.size() && i < request.captions.size(); ++i)
        set.captions[i] = request.captions[i];
    return set;
}

bool IsYesNo(const ButtonSet& set) { return set.results == std::vector<int>{6, 7}; }

}  // namespace

// --- answers ------------------------------------------------------------------------------

std::string DisplayCaption(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

Answer ParseAnswer(const std::string& line, const std::vector<std::string>& captions) {
    Answer answer;
    std::string text = Trim(line);
    if (!text.empty() && text.back() == '!') {
        answer.dontShow = true;
        text = Trim(text.substr(0, text.size() - 1));
    }
    text = LowerAscii(text);
    if (text.empty()) return answer;
    // The whole word first, so that a caption is never shadowed by another's first letter.
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const std::string word = LowerAscii(DisplayCaption(captions[i]));
        if (!word.empty() && word == text) {
            answer.index = static_cast<int>(i);
            return answer;
        }
    }
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const std::string word = LowerAscii(DisplayCaption(captions[i]));
        if (!word.empty() && HeadCodePoints(word, 1) == text) {
            answer.index = static_cast<int>(i);
            return answer;
        }
    }
    return answer;
}

std::string AnswerPrompt(const std::vector<std::string>& captions) {
    std::string prompt;
    for (const std::string& caption : captions) {
        const std::string word = DisplayCaption(caption);
        if (word.empty()) continue;
        const std::string first = HeadCodePoints(word, 1);
        if (!prompt.empty()) prompt += " / ";
        prompt += "[" + LowerAscii(first) + "]" + word.substr(first.size());
    }
    return prompt;
}

LineReader::Status LineReader::ReadLine(std::string& line) {
    while (true) {
        if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return Status::Line;
        }
        if (eof_) {
            if (buffer_.empty()) return Status::EndOfInput;
            line.swap(buffer_);
            buffer_.clear();
            return Status::Line;
        }
        if (gInterruptRequested.exchange(false)) return Status::Interrupted;
        if (!in_ || in_->Read(buffer_, 100) == InputSource::Result::End) eof_ = true;
    }
}

// --- renderer -----------------------------------------------------------------------------

TerminalUi::TerminalUi(TerminalIo io) : io_(io), reader_(io.in) {}

void TerminalUi::AttachRunForm(ui::Form* form) {
    AttachRunControls(form ? dynamic_cast<ui::CaptionControl*>(form->FindControl("btnDoIt")) : nullptr,
                      form ? dynamic_cast<ui::CaptionControl*>(form->FindControl("lblStatus")) : nullptr);
}

void TerminalUi::AttachRunControls(ui::CaptionControl* stopButton, ui::CaptionControl* statusLabel) {
    runButton_ = stopButton;
    statusLabel_ = statusLabel;
}

void TerminalUi::ClearProgress() {
    if (!progressShown_) return;
    *io_.err << "\r\x1b[K" << std::flush;
    progressShown_ = false;
    drawn_.clear();
}

void TerminalUi::DoEvents() {
    // A Ctrl+C stops a run the way the button does; outside a run it waits for the next one.
    if (runButton_ && gInterruptRequested.load(std::memory_order_relaxed) && runButton_->Caption == "Stopp!") {
        gInterruptRequested.store(false);
        runButton_->PerformClick();
    }
    // The line belongs to a run; once the button is back, the summary speaks instead.
    if (!io_.errIsTerminal || !statusLabel_ || !runButton_ || runButton_->Caption != "Stopp!") return;
    // Drawing on every file would cost more than the file itself; a glance at the clock does not.
    const auto now = std::chrono::steady_clock::now();
    if (now < nextDraw_) return;
    nextDraw_ = now + kProgressInterval;
    const std::string& text = statusLabel_->Caption;
    if (text.empty() || (progressShown_ && text == drawn_)) return;
    drawn_ = text;
    const auto width = static_cast<std::size_t>(std::max(10, io_.columns - 1));
    *io_.err << '\r' << HeadCodePoints(text, width) << "\x1b[K" << std::flush;
    progressShown_ = true;
}

void TerminalUi::Beep() {
    if (io_.errIsTerminal) *io_.err << '\a' << std::flush;
}

void TerminalUi::PrintBox(const std::string& title, const std::string& text) {
    ClearProgress();
    std::ostream& out = *io_.out;
    if (!title.empty()) out << "*** " << title << " ***\n";
    out << text << '\n' << std::flush;
}

std::optional<Answer> TerminalUi::Ask(const std::vector<std::string>& captions,
                                      const std::string& dontShowCaption) {
    std::ostream& out = *io_.out;
    std::string prompt = AnswerPrompt(captions);
    if (!dontShowCaption.empty())
        prompt += " (mit \"!\" dahinter: " + DisplayCaption(dontShowCaption) + ")";
    while (true) {
        out << prompt << ": " << std::flush;
        std::string line;
        switch (reader_.ReadLine(line)) {
            case LineReader::Status::EndOfInput:
                out << (io_.inIsTerminal ? "\n" : "(Ende der Eingabe)\n") << std::flush;
                return std::nullopt;
            case LineReader::Status::Interrupted:
                out << "(abgebrochen)\n" << std::flush;
                return std::nullopt;
            case LineReader::Status::Line: break;
        }
        // A person sees what they typed; a transcript of piped answers would not show them.
        if (!io_.inIsTerminal) out << line << '\n' << std::flush;
        Answer answer = ParseAnswer(line, captions);
        if (answer.index >= 0) {
            if (dontShowCaption.empty()) answer.dontShow = false;
            return answer;
        }
        *io_.err << "Antwort nicht verstanden: \"" << Trim(line) << "\"\n" << std::flush;
    }
}

void TerminalUi::ShowMsgBoxEx(ui::Form& form) {
    auto* prompt = dynamic_cast<ui::CaptionControl*>(form.FindControl("lblPrompt"));
    auto* dontShow = dynamic_cast<ui::CheckBox*>(form.FindControl("cbDontShow"));
    std::vector<ui::Control*> buttons;
    std::vector<std::string> captions;
    for (const char* name : {"btn1", "btn2", "btn3"}) {
        auto* button = dynamic_cast<ui::CaptionControl*>(form.FindControl(name));
        if (!button) continue;
        buttons.push_back(button);
        captions.push_back(button->Visible && button->Enabled ? button->Caption : std::string());
    }
    PrintBox(Undouble(form.Caption), prompt ? TerminalText(prompt->Caption, io_.doubleBackslashes) : std::string());

    const bool anyButton = std::any_of(captions.begin(), captions.end(), [](auto& c) { return !c.empty(); });
    if (anyButton) {
        const bool canTick = dontShow && dontShow->Visible;
        auto answer = Ask(captions, canTick ? dontShow->Caption : std::string());
        // No answer (end of input, Ctrl+C) closes the dialog as its close box would; the
        // dialog itself then answers, never with yes.
        if (answer) {
            if (answer->dontShow && canTick) dontShow->Value = true;
            buttons[static_cast<std::size_t>(answer->index)]->PerformClick();
        }
    }
    if (form.Loaded()) form.Unload();
}

void TerminalUi::ShowModal(ui::Form& form) {
    if (form.Name() == "frmMsgBoxEx") {
        ShowMsgBoxEx(form);
        return;
    }
    // No other dialog has a terminal form; name it and close it again.
    PrintBox({}, "[" + Trim(Undouble(form.Caption)) + "]");
    if (form.Loaded()) form.Unload();
}

int TerminalUi::SystemMessageBox(const std::string& text, const std::string& title, std::int32_t) {
    ClearProgress();
    *io_.err << title << ": " << TerminalText(text, io_.doubleBackslashes) << '\n' << std::flush;
    return 1;
}

int TerminalUi::StyledMessageBox(const platform::StyledMsgBoxRequest& request) {
    PrintBox(Undouble(request.title), TerminalText(Undouble(request.prompt), io_.doubleBackslashes));
    const ButtonSet set = StandardButtons(request);
    if (!IsYesNo(set)) return set.results.front();
    auto answer = Ask(set.captions, {});
    if (!answer) return 7;  // No: nothing happens unasked
    return set.results[static_cast<std::size_t>(answer->index)];
}

int TerminalUi::SystemMetric(int id) {
    if (id == platform::SM_CYCAPTION_) return 18;
    if (id == platform::SM_CYDLGFRAME_) return 3;
    return 0;
}

// Fixed-width measuring, the same rule as the headless renderer: layouts come out the same.
int TerminalUi::TextWidth(const ui::Form&, const std::string& text) {
    std::size_t widest = 0, start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        widest = std::max(widest, ui::CodePoints(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return static_cast<int>(widest) * 90;
}

int TerminalUi::TextHeight(const ui::Form&, const std::string& text, int width) {
    const int perLine = std::max(1, width / 90);
    int lines = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const int n = static_cast<int>(ui::CodePoints(line));
        lines += std::max(1, (n + perLine - 1) / perLine);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines * 195;
}

}  // namespace ardeko::cli

#pragma once
// The user interface of the command line: message boxes and questions become text on the
// terminal, answers come from standard input (a person at a terminal, or lines from a pipe),
// and the status label of a running archive turns into one progress line.
#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace ardeko::ui {
class CaptionControl;
class Form;
}  // namespace ardeko::ui

namespace ardeko::cli {

// Set by the interrupt handler (SIGINT, the console's Ctrl+C; nothing else happens there); the renderer turns it into a click
// on "Stopp!" at the next message pump, or into "Abbrechen" for a question being asked.
extern std::atomic<bool> gInterruptRequested;

// Standard input as the answers arrive on it. Each platform reads its own kinds of input (a
// terminal, a pipe, a file) behind this.
class InputSource {
public:
    virtual ~InputSource() = default;
    enum class Result { Data, Timeout, End };
    // Appends what has arrived (UTF-8) to `buffer`, waiting at most `timeoutMs` for it.
    virtual Result Read(std::string& buffer, int timeoutMs) = 0;
};

// Reads lines without blocking the interrupt: waits in short steps so that a Ctrl+C during a
// question is noticed. No source at all is an input that has ended.
class LineReader {
public:
    explicit LineReader(InputSource* in) : in_(in) {}
    enum class Status { Line, EndOfInput, Interrupted };
    Status ReadLine(std::string& line);

private:
    InputSource* in_;
    std::string buffer_;
    bool eof_ = false;
};

struct TerminalIo {
    InputSource* in = nullptr;      // where answers come from
    std::ostream* out = nullptr;    // message boxes, questions, opened documents
    std::ostream* err = nullptr;    // progress line, beeps, internal error reports
    bool inIsTerminal = false;      // a person types the answers: ask again on unclear input
    bool errIsTerminal = false;     // progress line and beeps only go to a terminal
    int columns = 80;               // width of the terminal, for the progress line
    // A backslash in a shown name is doubled so that it cannot pass for an escape. Where it is
    // the path separator (and names cannot hold control characters anyway) it stays single.
    bool doubleBackslashes = true;
};

// One parsed answer line.
struct Answer {
    int index = -1;          // the chosen entry of the captions, -1 when nothing matched
    bool dontShow = false;   // a trailing "!"
};

// Matches a typed answer against button captions: the caption itself or its first letter,
// letter case ignored, "&" access-key marks ignored; a trailing "!" asks not to be asked again.
Answer ParseAnswer(const std::string& line, const std::vector<std::string>& captions);

// "[j]a / [n]ein / [a]bbrechen" from the captions.
std::string AnswerPrompt(const std::vector<std::string>& captions);

// A caption as the user sees it: access-key marks removed, "&&" shown as "&".
std::string DisplayCaption(const std::string& caption);

class TerminalUi : public platform::Ui {
public:
    explicit TerminalUi(TerminalIo io);

    // The wizard form of the run: its status label feeds the progress line, its run button
    // receives the click that a Ctrl+C stands for. Null detaches.
    void AttachRunForm(ui::Form* form);
    // The same for any stop button and status label (the undo's); nulls detach.
    void AttachRunControls(ui::CaptionControl* stopButton, ui::CaptionControl* statusLabel);
    // Removes the progress line, if one is shown, so that other output starts on a clean line.
    void ClearProgress();

    // --- platform::Ui ---
    void ShowModal(ui::Form& form) override;
    void DoEvents() override;
    void Beep() override;
    int SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) override;
    int StyledMessageBox(const platform::StyledMsgBoxRequest& request) override;
    int SystemMetric(int id) override;
    int TextWidth(const ui::Form& form, const std::string& text) override;
    int TextHeight(const ui::Form& form, const std::string& text, int width) override;
    void BringToFront(ui::Form&) override {}
    std::string BrowseForFolder(const std::string&, const std::string&, bool) override { return {}; }

private:
    // Asks until an answer matches (terminal) or takes one line (pipe). Nothing at the end of
    // the input or on Ctrl+C.
    std::optional<Answer> Ask(const std::vector<std::string>& captions, const std::string& dontShowCaption);
    void ShowMsgBoxEx(ui::Form& form);
    void PrintBox(const std::string& title, const std::string& text);

    TerminalIo io_;
    LineReader reader_;
    ui::CaptionControl* runButton_ = nullptr;
    ui::CaptionControl* statusLabel_ = nullptr;
    std::chrono::steady_clock::time_point nextDraw_{};
    std::string drawn_;
    bool progressShown_ = false;
};

}  // namespace ardeko::cli

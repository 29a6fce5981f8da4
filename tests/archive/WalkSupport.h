#pragma once
// What the engine and wizard tests share: files with chosen dates, the protocol read back,
// a dialog double and scripted answers to the message dialog.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/ArchiveDialog.h"
#include "archive/Protocol.h"
#include "platform/Types.h"
#include "ui/Form.h"
#include "ui/HeadlessUi.h"

namespace ardeko::testkit {

// Protocol lines are written in the environment's code set; the texts compared here are UTF-8.
inline const bool kUtf8Environment = [] {
    setenv("LC_ALL", "C.UTF-8", 1);
    return true;
}();

inline platform::LocalDateTime Date(int y, int mo, int d, int h = 10, int mi = 0, int s = 0) {
    return {y, mo, d, h, mi, s};
}

inline timespec ToTimespec(const platform::LocalDateTime& t) {
    std::tm parts{};
    parts.tm_year = t.year - 1900;
    parts.tm_mon = t.month - 1;
    parts.tm_mday = t.day;
    parts.tm_hour = t.hour;
    parts.tm_min = t.minute;
    parts.tm_sec = t.second;
    parts.tm_isdst = -1;
    return timespec{std::mktime(&parts), 0};
}

// Sets the last-write and last-access time (local time).
inline void SetTimes(const std::string& path, const platform::LocalDateTime& modified,
                     const platform::LocalDateTime& accessed) {
    const timespec times[2] = {ToTimespec(accessed), ToTimespec(modified)};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// A file with this content, last written (and accessed) at `when`; folders created as needed.
inline void MakeFile(const std::string& path, const std::string& content, const platform::LocalDateTime& when) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    {
        std::ofstream out(path, std::ios::binary);
        out << content;
    }
    SetTimes(path, when, when);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(std::filesystem::symlink_status(path)); }

// The raw lines of the protocol file, without their CR LF.
inline std::vector<std::string> ProtocolLines() {
    std::vector<std::string> lines;
    const std::string text = ReadFile(ArchiveProtocolPath());
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The protocol lines without their time stamps ("dd.mm.yy hh:mm:ss - ").
inline std::vector<std::string> ProtocolTexts() {
    std::vector<std::string> texts;
    for (const auto& line : ProtocolLines()) texts.push_back(line.size() >= 20 ? line.substr(20) : line);
    return texts;
}

// A dialog whose options are plain fields.
class FakeDialog : public ArchiveDialog {
public:
    ArchiveRunState state;
    DateBasis dateBasis = DateBasis::LastModified;
    FolderScheme scheme = FolderScheme::Year;
    bool yearOption = true;
    bool testRun = false;
    bool confirmEach = false;
    bool includeSubfolders = true;
    std::string startFolder;
    int monthIndex = 11;
    std::string yearText = "2008";
    std::vector<std::pair<std::string, bool>> fileTypes;
    std::vector<std::string> statusHistory;
    std::string runCaption = "Archivieren!";
    bool busy = false;
    // Runs when the status text changes (to act in the middle of a walk).
    std::function<void(const std::string&)> onStatus;

    ArchiveRunState& RunState() override { return state; }
    DateBasis CurrentDateBasis() override { return dateBasis; }
    FolderScheme CurrentFolderScheme() override { return scheme; }
    bool TestRunSet() override { return testRun; }
    bool ConfirmEachSet() override { return confirmEach; }
    bool IncludeSubfoldersSet() override { return includeSubfolders; }
    std::string MonthName(int index) override {
        static const char* names[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                      "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
        return names[index];
    }
    bool YearOptionSet() override { return yearOption; }
    std::string StartFolderText() override { return startFolder; }
    int MonthListIndex() override { return monthIndex; }
    std::string YearText() override { return yearText; }
    int FileTypeCount() override { return static_cast<int>(fileTypes.size()); }
    std::string FileTypeText(int i) override { return fileTypes[static_cast<std::size_t>(i)].first; }
    bool FileTypeTicked(int i) override { return fileTypes[static_cast<std::size_t>(i)].second; }
    void SetStatus(const std::string& text) override {
        statusHistory.push_back(text);
        if (onStatus) onStatus(text);
    }
    std::string RunButtonCaption() override { return runCaption; }
    void SetRunButtonCaption(const std::string& caption) override { runCaption = caption; }
    void SetBusyPointer(bool b) override { busy = b; }
};

// Answers the message dialog frmMsgBoxEx from a queue: which button, and whether the
// "don't show again" box is ticked.
class DialogAnswers {
public:
    struct Answer {
        int button;
        bool dontAskAgain = false;
    };
    struct Shown {
        std::string prompt;
        bool checkBoxShown;
        Answer given{0};
    };

    explicit DialogAnswers(ui::HeadlessUi& ui) {
        ui.onModalByName["frmMsgBoxEx"] = [this](ui::Form& form) { Respond(form); };
    }

    std::deque<Answer> queue;
    // Used when the queue is empty; 0 makes an unexpected question a test failure.
    int fallbackButton = 0;
    std::vector<Shown> shown;

private:
    void Respond(ui::Form& form) {
        auto* prompt = dynamic_cast<ui::Label*>(form.FindControl("lblPrompt"));
        auto* box = dynamic_cast<ui::CheckBox*>(form.FindControl("cbDontShow"));
        shown.push_back({prompt ? prompt->Caption : "", box && box->Visible});
        Answer a{fallbackButton};
        if (!queue.empty()) {
            a = queue.front();
            queue.pop_front();
        } else if (fallbackButton == 0) {
            ADD_FAILURE() << "unexpected question: " << shown.back().prompt;
            a.button = 2;
        }
        shown.back().given = a;
        if (a.dontAskAgain && box) box->Value = true;
        if (auto* button = form.FindControl("btn" + std::to_string(a.button))) button->PerformClick();
    }
};

}  // namespace ardeko::testkit

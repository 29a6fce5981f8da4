#include "archive/Protocol.h"

#include <fmt/format.h>

#include <vector>

#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/ExecProg.h"
#include "support/Identity.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Paths.h"

namespace ardeko {

namespace {

std::string ProtocolFileName() { return "Protokoll " + GetHostName() + "-Archivierung.txt"; }

// The same path as ArchiveProtocolPath, without creating the folder. Creating the data folder
// costs a directory call per level; done for every line of a large run it costs more than the
// walk itself, and the folder is there after the first line anyway.
std::string ProtocolPathWithoutCreating() { return DataFolderPath() + ProtocolFileName(); }

// An existing file that a viewer can be given: no folder, nothing hidden.
bool ProtocolExists(const std::string& path) {
    try {
        auto attrs = platform::Fs().attributes(path);
        return attrs && !attrs->directory && !attrs->hidden && !attrs->system;
    } catch (...) {
        return false;
    }
}

// Both protocol buttons start here: false, after telling the user, when there is no protocol.
bool ReportIfMissing(const std::string& path) {
    if (ProtocolExists(path)) return true;
    SystemBeep();
    MsgBoxStd("Protokoll (" + path + ") nicht gefunden...", vbExclamation, Module().ProductTitle);
    return false;
}

ProtocolLoss g_loss;

// A test run's lines waiting to be written, and when lines were last written.
struct Held {
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    std::int64_t lastWriteMs = 0;
};
constexpr std::size_t kHeldBytes = 16 * 1024;
constexpr std::int64_t kMaxWaitMs = 100;

Held& HeldLines() {
    static Held held;
    return held;
}

void StampLines(std::initializer_list<std::string> texts, std::vector<std::string>& into) {
    const std::string stamp = ProtocolTimeStamp(platform::Clock().Now()) + " - ";
    for (const auto& text : texts) into.push_back(stamp + text);
}

void Append(const std::vector<std::string>& lines) {
    if (platform::Fs().appendLines(ProtocolPathWithoutCreating(), lines)) return;
    // Most likely the data folder is missing: create it and try once more.
    const std::string created = ArchiveProtocolPath();
    if (platform::Fs().appendLines(created, lines)) return;
    g_loss.path = created;
    g_loss.lines += lines.size();
}

// At a message pump the lines are written once they have waited long enough; before a box,
// always. Only a pump with lines waiting looks at the clock.
void WriteHeldLines(bool all) noexcept {
    Held& held = HeldLines();
    if (held.lines.empty()) return;
    try {
        if (!all && platform::Clock().TickMs() - held.lastWriteMs < kMaxWaitMs) return;
    } catch (...) {
    }
    FlushPROTO();
}

}  // namespace

ProtocolLoss& LostProtocolLines() { return g_loss; }

std::string ArchiveProtocolPath() {
    try {
        return GetDataFolder() + ProtocolFileName();
    } catch (...) {
        return ProtocolFileName();
    }
}

std::string ProtocolTimeStamp(const platform::LocalDateTime& t) {
    return fmt::format("{:02}.{:02}.{:02} {:02}:{:02}:{:02}", t.day, t.month, ((t.year % 100) + 100) % 100, t.hour,
                       t.minute, t.second);
}

void WritePROTO(const std::string& text) { WritePROTO({text}); }

void WritePROTO(std::initializer_list<std::string> texts) {
    FlushPROTO();
    try {
        // No message pump here: a walk yields to the dialog once per file and per subfolder
        // only, and a click on the run button during the header must wait until the button
        // reads "Stopp!".
        // Lines that belong together go out in one write: each still reaches the file whole,
        // and a large run needs half the calls.
        std::vector<std::string> lines;
        lines.reserve(texts.size());
        StampLines(texts, lines);
        Append(lines);
    } catch (...) {
        // A lost protocol line never stops a run.
        g_loss.lines += texts.size();
    }
}

void CollectPROTO(std::initializer_list<std::string> texts) {
    try {
        Held& held = HeldLines();
        if (held.lines.empty()) SetHeldOutputHook(&WriteHeldLines);
        const std::size_t before = held.lines.size();
        StampLines(texts, held.lines);
        for (std::size_t i = before; i < held.lines.size(); ++i) held.bytes += held.lines[i].size();
        // Enough to make each write worth its call, small enough that memory follows the
        // widest folder rather than the run.
        if (held.bytes >= kHeldBytes) FlushPROTO();
    } catch (...) {
    }
}

void FlushPROTO() noexcept {
    Held& held = HeldLines();
    if (held.lines.empty()) return;
    std::vector<std::string> lines;
    lines.swap(held.lines);
    held.bytes = 0;
    Guarded([&] { held.lastWriteMs = platform::Clock().TickMs(); });
    Guarded([&] { Append(lines); });
}

void ShowProtocol() {
    FlushPROTO();
    try {
        const std::string path = ArchiveProtocolPath();
        if (!ReportIfMissing(path)) return;
        OpenDocument(path);
    } catch (...) {
    }
}

void DeleteProtocol() {
    FlushPROTO();
    try {
        const std::string path = ArchiveProtocolPath();
        if (!ReportIfMissing(path)) return;
        SystemBeep();
        const auto answer = MsgBoxStd("Protokoll wirklich löschen?", vbQuestion + vbYesNo, Module().ProductTitle);
        if (answer == vbNo || answer == vbOK) return;
        bool removed = false;
        try {
            removed = platform::Fs().removeFile(path).ok;
        } catch (...) {
        }
        if (!removed) {
            SystemBeep();
            MsgBoxStd("Protokoll (" + path + ") konnte nicht gelöscht werden...", vbExclamation,
                      Module().ProductTitle);
        }
    } catch (...) {
    }
}

}  // namespace ardeko

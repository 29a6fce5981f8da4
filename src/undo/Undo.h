#pragma once
// Undo of a real run from its journal, and restore of archive folders without one. Both move
// files back with the run's own safe moves, never overwrite and never delete a user's file, and
// write their lines into the archive protocol. Whoever drives them (the command line, the
// wizard's dialog) passes its progress display and stop button in as an UndoProgress.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace ardeko {

inline constexpr const char* UndoMode = "Rückgängig";
inline constexpr const char* UndoTestMode = "Rückgängig-Testlauf";
inline constexpr const char* RestoreMode = "Auflösen";
inline constexpr const char* RestoreTestMode = "Auflösen-Testlauf";

class UndoProgress {
public:
    virtual ~UndoProgress() = default;
    // "Prüfe Datei N...".
    virtual void Status(const std::string& text) = 0;
    // Lets the front end breathe once per file: repaint, and take a click on "Stopp!".
    virtual void Pump() = 0;
    // Looked at between files.
    virtual bool StopRequested() = 0;
};

struct UndoOutcome {
    std::string mode;  // one of the four mode texts
    int restored = 0;  // moved back (or, in a test, would be)
    int left = 0;      // stayed where they are, with the reason in the protocol
    int errors = 0;    // moves back that failed
    bool stopped = false;
    bool found = true;  // false: no such run to undo; nothing was done or written
};

struct UndoSummary {
    std::string text;
    std::int32_t icon = 0;  // message-box style: 16, 48 or 64
};

UndoSummary ComposeUndoSummary(const UndoOutcome& outcome);

// Shows the summary (beep and box) and, after a test or when files were left, the protocol.
void ReportUndo(const UndoOutcome& outcome);

// A run of the connected host that can still be undone, at least in part.
struct UndoableRun {
    int number = 0;
    platform::LocalDateTime started;
    std::string startFolder;
    int files = 0;  // moved by the run and not moved back yet
};

// Newest first.
std::vector<UndoableRun> UndoableRuns();

// "04.12.09 18:47" as lists show a run's start.
std::string RunStartText(const platform::LocalDateTime& when);

// Undoes run `number` of the connected host, newest move first; a test only says what it would
// do. Archive folders the run made and that are empty afterwards are removed.
UndoOutcome UndoRun(int number, bool test, UndoProgress& progress);

// Moves every file of the archive folders below `folder` (and, with `subfolders`, below its
// subfolders) back into the folder that holds the year folder; removes archive folders left
// empty.
UndoOutcome RestoreArchiveFolders(const std::string& folder, bool subfolders, bool test, UndoProgress& progress);

}  // namespace ardeko

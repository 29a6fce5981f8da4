#pragma once
// The options of one archive run, the state that the run driver and the walk share, and the
// rules that decide what is archived and whether a run may start.
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace ardeko {

class RunJournal;

enum class DateBasis { Created, LastModified, LastAccessed };
enum class FolderScheme { Year, YearMonth };

// The options of one run. The wizard dialog is their source; StartFolder and the cut-off are
// read once when the run starts, everything else when it is needed.
struct ArchiveJob {
    std::string StartFolder;
    std::vector<std::string> Patterns;
    std::int16_t CutOffMonth = 12;
    std::int16_t CutOffYear = 0;
    bool IncludeSubfolders = true;
    ardeko::DateBasis DateBasis = ardeko::DateBasis::LastModified;
    ardeko::FolderScheme FolderScheme = ardeko::FolderScheme::Year;
    bool ConfirmEach = false;
    bool TestRun = true;
};

// Counters and flags of the current (or last) run. They keep their values until the next run
// is requested, so a front end can read the outcome afterwards.
struct ArchiveRunState {
    std::int32_t CheckedCount = 0;
    std::int32_t ArchivedCount = 0;
    std::int32_t ErrorCount = 0;
    bool CancelRequested = false;
    bool AskBeforeOverwrite = true;
    // The journal of a real run while it is under way; none for a test run.
    std::shared_ptr<RunJournal> Journal;
    // Archive folders already searched for temporaries left by an earlier run: once per run.
    std::set<std::string> SweptArchiveFolders;
};

// The twelve German month names, index 0 "Januar" to 11 "Dezember"; German in every UI
// language because they name folders on disk.
const std::array<std::string, 12>& GermanMonthNames();

// True when the date lies in the cut-off month or before it; day and time do not count.
bool IsDueForArchive(const platform::LocalDateTime& when, std::int16_t cutOffMonth, std::int16_t cutOffYear);

// The wildcard of a file-type entry: what follows its first "(", without the last character.
// "Dokumente (*.DOC*)" gives "*.DOC*".
std::string PatternFromEntry(const std::string& entry);

// The month list's index plus 1.
std::int16_t CutOffMonthFromIndex(int listIndex);

// The leading number of the year text, rounded; 0 when the text starts with no number or the
// number is no possible year value.
std::int16_t CutOffYearFromText(const std::string& yearText);

// Leading and trailing blanks removed.
std::string TrimBlanks(const std::string& text);

// The checks before a run: a ticked file type, then a start folder. Shows the reason (beep and
// message box) and returns false when the run must not start.
bool PreRunChecks(bool anyFileTypeTicked, const std::string& startFolder);

}  // namespace ardeko

#pragma once
// The run button: starts a run, or while one is under way asks it to stop.
#include <cstdint>
#include <string>

#include "archive/ArchiveDialog.h"

namespace ardeko {

inline constexpr const char* RunCaption = "Archivieren!";
inline constexpr const char* StopCaption = "Stopp!";

struct RunSummary {
    std::string text;
    std::int32_t icon = 0;  // message-box style: 16, 48 or 64
};

// The closing message of a run; `runMode` is "Testlauf" or "Archivierung".
RunSummary ComposeRunSummary(const std::string& runMode, const ArchiveRunState& state);

// A count as the summary prints it: grouped in threes by the locale, "0" for zero.
std::string FormatCount(std::int64_t value);

enum class RunOutcome {
    StopRequested,  // a run was under way; it was asked to stop
    Refused,        // a check failed; nothing was written
    Ran,            // a run went through (completed or stopped)
};

// The click on the run button.
RunOutcome RunArchive(ArchiveDialog& dialog);

}  // namespace ardeko

#pragma once
// The walk of a run: finds the files of one pattern in a folder and, when asked, in its
// subfolders; moves each due file into an archive folder inside the folder where it lies.
#include <cstdint>
#include <string>

#include "archive/ArchiveDialog.h"
#include "platform/Types.h"

namespace ardeko {

// Archive folders begin with this; they are never walked.
inline constexpr const char* ArchiveFolderPrefix = "~~~ ";

// Longest target file path, in characters, that the walk archives to.
inline constexpr std::size_t MaxTargetPathLength = 250;

// The text after the last separator; a path without one is returned whole, and a path whose
// only separator is its first character gives "".
std::string FileNameFromPath(const std::string& path);

// Number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(const std::string& utf8);

// The archive folder for a file of date `when` lying in `folder`: folder + "~~~ 2008", or with
// the month scheme folder + "~~~ 2008" + separator + "~~~ 06 Juni".
std::string ArchiveTargetFolder(const std::string& folder, const platform::LocalDateTime& when, FolderScheme scheme,
                                const std::string& monthName);

// Walks `folder` (with or without trailing separator) for `pattern`: moves, asks, counts in the
// dialog's run state and writes the protocol lines; then the subfolders when the dialog says so.
void ProcessFiles(ArchiveDialog& dialog, const std::string& folder, const std::string& pattern,
                  std::int16_t cutOffMonth, std::int16_t cutOffYear);

}  // namespace ardeko

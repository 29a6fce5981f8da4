#pragma once
// What the archiving engine needs of the dialog it runs in. The wizard form implements it;
// the engine reads the options through it at the moments a run needs them, so a change the
// user makes while a run is under way takes effect for the files that follow.
#include <string>

#include "archive/ArchiveJob.h"

namespace ardeko {

class ArchiveDialog {
public:
    virtual ~ArchiveDialog() = default;

    virtual ArchiveRunState& RunState() = 0;

    // Per-file options.
    virtual DateBasis CurrentDateBasis() = 0;
    virtual FolderScheme CurrentFolderScheme() = 0;
    virtual bool TestRunSet() = 0;
    virtual bool ConfirmEachSet() = 0;
    virtual bool IncludeSubfoldersSet() = 0;
    // Name of month folder index 0..11.
    virtual std::string MonthName(int index) = 0;

    // The header names the folder scheme after the year option alone.
    virtual bool YearOptionSet() = 0;

    // Read once when a run starts.
    virtual std::string StartFolderText() = 0;
    virtual int MonthListIndex() = 0;
    virtual std::string YearText() = 0;

    // The file-type list, read entry by entry as the run reaches it.
    virtual int FileTypeCount() = 0;
    virtual std::string FileTypeText(int index) = 0;
    virtual bool FileTypeTicked(int index) = 0;

    // What the run shows.
    virtual void SetStatus(const std::string& text) = 0;
    virtual std::string RunButtonCaption() = 0;
    virtual void SetRunButtonCaption(const std::string& caption) = 0;
    virtual void SetBusyPointer(bool busy) = 0;
};

}  // namespace ardeko

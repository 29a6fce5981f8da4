#include "undo/Undo.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>

#include "archive/ArchiveJob.h"
#include "archive/FileWalk.h"
#include "archive/Journal.h"
#include "archive/Protocol.h"
#include "archive/RunDriver.h"
#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/Guard.h"
#include "support/Identity.h"
#include "support/Module.h"
#include "support/Paths.h"

namespace ardeko {

namespace {

std::string FolderOf(const std::string& path) {
    const auto sep = path.rfind(platform::Fs().separator());
    return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

bool Exists(const std::string& path) {
    try {
        return platform::Fs().attributes(path).has_value();
    } catch (...) {
        return false;
    }
}

std::optional<platform::FileStamp> StampOf(const std::string& path) {
    try {
        return platform::Fs().stamp(path);
    } catch (...) {
        return std::nullopt;
    }
}

void RemoveIfEmpty(platform::OpenFolder& in, const std::string& name) {
    try {
        in.removeFolder(name);  // refuses a folder that still holds anything
    } catch (...) {
    }
}

// The folder `relative` below `in`, never reached through a link; null when it is none.
std::unique_ptr<platform::OpenFolder> Open(platform::OpenFolder& in, const std::string& relative) {
    try {
        return in.openFolder(relative);
    } catch (...) {
        return nullptr;
    }
}

// What undo and restore share: the per-file progress, the stop between files, the move back
// and its protocol lines, the counts.
class MoveBack {
public:
    MoveBack(const std::string& mode, bool test, UndoProgress& progress) : test_(test), progress_(progress) {
        outcome.mode = mode;
    }

    // Before each file: false once a stop was asked for.
    bool NextFile() {
        bool stop = false;
        Guarded([&] { stop = progress_.StopRequested(); });
        if (stop) {
            outcome.stopped = true;
            return false;
        }
        ++checked_;
        Guarded([&] { progress_.Status("Prüfe Datei " + std::to_string(checked_) + "..."); });
        Guarded([&] { progress_.Pump(); });
        return true;
    }

    void Left(const std::string& archived, const char* reason) {
        WritePROTO("! Nicht zurückgeholt: " + archived + " (" + reason + ")");
        ++outcome.left;
    }

    // Moves `archived` to `original`, whose place the caller found free, by `move`. True when
    // it is back (in a test: would be).
    template <class DoMove>
    bool Move(const std::string& archived, const std::string& original, DoMove move) {
        if (!test_) {
            platform::MoveResult moved;
            try {
                moved = move();
            } catch (const std::exception& e) {
                moved = {platform::MoveResult::Stage::CopyFailed, e.what()};
            } catch (...) {
                moved = {platform::MoveResult::Stage::CopyFailed, "Unbekannter Fehler"};
            }
            if (moved.stage == platform::MoveResult::Stage::CopyFailed) {
                WritePROTO({"! Problem beim Verschieben von '" + archived + "'", "! nach '" + original + "'",
                            "! " + moved.error});
                ++outcome.errors;
                return false;
            }
            if (moved.stage == platform::MoveResult::Stage::DeleteFailed) {
                WritePROTO({"! Problem beim Löschen von '" + archived + "'", "! " + moved.error});
                ++outcome.errors;
                return false;
            }
        }
        WritePROTO({"Zurückgeholt: " + archived, "nach '" + FolderOf(original) + "'"});
        ++outcome.restored;
        return true;
    }

    void Header(const std::string& started) {
        WritePROTO(std::string(75, '-'));
        WritePROTO(outcome.mode + " gestartet (" + started + ")");
    }

    void Footer() {
        WritePROTO(outcome.stopped ? "! " + outcome.mode + " abgebrochen..." : outcome.mode + " abgeschlossen...");
    }

    bool Test() const { return test_; }

    UndoOutcome outcome;

private:
    bool test_;
    UndoProgress& progress_;
    int checked_ = 0;
};

}  // namespace

UndoSummary ComposeUndoSummary(const UndoOutcome& o) {
    UndoSummary summary;
    if (o.restored + o.left + o.errors == 0) {
        summary.text = "Es wurden keine zurückzuholenden Dateien gefunden.";
        summary.icon = vbExclamation;
    } else {
        summary.text = o.mode + (o.stopped ? " abgebrochen - " : " abgeschlossen - ") + FormatCount(o.restored) +
                       " Datei(en) zurückgeholt";
        summary.text += o.left > 0 ? ", " + FormatCount(o.left) + " nicht zurückgeholt - bitte prüfen Sie das Protokoll..."
                                   : std::string("...");
        summary.icon = o.left > 0 || o.stopped ? vbExclamation : vbInformation;
    }
    if (o.errors > 0) {
        summary.text += "\r\n\r\nDabei sind " + FormatCount(o.errors) +
                        " Fehler aufgetreten - bitte prüfen Sie das Protokoll...";
        summary.icon = vbCritical;
    }
    return summary;
}

void ReportUndo(const UndoOutcome& o) {
    const UndoSummary summary = ComposeUndoSummary(o);
    SystemBeep();
    MsgBoxStd(summary.text, summary.icon, Module().ProductTitle);
    PumpMessages();
    const bool test = o.mode == UndoTestMode || o.mode == RestoreTestMode;
    if (o.restored + o.left + o.errors > 0 && (test || o.left > 0 || o.errors > 0)) ShowProtocol();
}

std::string RunStartText(const platform::LocalDateTime& t) {
    return fmt::format("{:02}.{:02}.{:02} {:02}:{:02}", t.day, t.month, ((t.year % 100) + 100) % 100, t.hour, t.minute);
}

std::vector<UndoableRun> UndoableRuns() {
    std::vector<UndoableRun> list;
    auto runs = ReadJournal(GetHostName());
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        SettlePendingMoves(*run);
        if (const int files = run->MovedCount(); files > 0)
            list.push_back({run->number, run->info.started, run->info.startFolder, files});
    }
    return list;
}

namespace {

// The folders an undo moves files back into, and the archive folders below them, held open
// from one file to the next of the same folder. Both are reached from the run's start folder
// one level at a time, so that a folder swapped for a link meanwhile leads nowhere else.
class HeldFolders {
public:
    explicit HeldFolders(const std::string& startFolder) : start_(startFolder), below_(AddBackslash(startFolder)) {}

    platform::MoveResult MoveBack(const std::string& archived, const std::string& original) {
        const std::string folder = FolderOf(original), archive = FolderOf(archived);
        if (!Below(archive, folder) || (!IsStart(folder) && !Below(folder, start_)))
            return {platform::MoveResult::Stage::CopyFailed, platform::NotAFolderText(archive)};  // no run of ours put it there
        if (folder != folderPath_) {
            archiveDir_.reset(), archivePath_.clear();
            platform::OpenFolder* start = OpenStartOnce();
            folderDir_ = IsStart(folder) ? OpenStart() : start ? Open(*start, folder.substr(below_.size())) : nullptr;
            folderPath_ = folder;
        }
        if (!folderDir_) return {platform::MoveResult::Stage::CopyFailed, platform::NotAFolderText(folder)};
        std::string why;
        if (archive != archivePath_) {
            archiveDir_ = folderDir_->openFolder(archive.substr(folder.size() + 1), &why);
            archivePath_ = archive;
        }
        if (!archiveDir_) return {platform::MoveResult::Stage::CopyFailed, why.empty() ? platform::NotAFolderText(archive) : why};
        return archiveDir_->moveFileInto(FileNameFromPath(archived), *folderDir_, FileNameFromPath(original),
                                         platform::MoveMode::NoReplace);
    }

    // The archive folders a run made; an empty folder behind a link that took their folder's
    // place stays.
    void RemoveMade(std::vector<std::string> folders) {
        archiveDir_.reset(), folderDir_.reset(), folderPath_.clear(), archivePath_.clear();  // held, Windows cannot remove them
        // Deepest first, so a month folder goes before its year folder; those of one folder together,
        // so that it is opened once.
        const auto depth = [](const std::string& f) { return std::count(f.begin(), f.end(), platform::Fs().separator()); };
        std::sort(folders.begin(), folders.end(), [&](const auto& a, const auto& b) {
            const auto da = depth(a), db = depth(b);
            return da != db ? da > db : a < b;
        });
        std::string parentPath;
        std::unique_ptr<platform::OpenFolder> parentDir;
        for (const auto& folder : folders) {
            if (!Below(folder, start_) || !OpenStartOnce()) continue;
            const std::string relative = folder.substr(below_.size()), parent = FolderOf(relative);
            if (parent.empty()) {
                RemoveIfEmpty(*startDir_, relative);
                continue;
            }
            if (parent != parentPath) parentDir = Open(*startDir_, parent), parentPath = parent;
            if (parentDir) RemoveIfEmpty(*parentDir, FileNameFromPath(relative));
        }
        startDir_.reset();
    }

private:
    // "C:\" as the start folder holds "C:\a.doc", whose folder reads "C:".
    bool IsStart(const std::string& folder) const { return folder == start_ || folder + platform::Fs().separator() == below_; }
    bool Below(const std::string& path, const std::string& folder) const {
        const std::string prefix = IsStart(folder) ? below_ : folder + platform::Fs().separator();
        return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
    }
    std::unique_ptr<platform::OpenFolder> OpenStart() const {
        try {
            return platform::Fs().openFolder(start_);  // a link here is the user's own choice
        } catch (...) {
            return nullptr;
        }
    }
    platform::OpenFolder* OpenStartOnce() {
        if (!startDir_) startDir_ = OpenStart();
        return startDir_.get();
    }

    std::string start_, below_, folderPath_, archivePath_;
    std::unique_ptr<platform::OpenFolder> startDir_, folderDir_, archiveDir_;
};

}  // namespace

UndoOutcome UndoRun(int number, bool test, UndoProgress& progress) {
    auto runs = ReadJournal(GetHostName());
    const auto found = std::find_if(runs.begin(), runs.end(), [&](const JournalRun& r) { return r.number == number; });
    MoveBack back(test ? UndoTestMode : UndoMode, test, progress);
    if (found == runs.end()) {
        back.outcome.found = false;
        return back.outcome;
    }
    JournalRun& run = *found;
    SettlePendingMoves(run);
    if (run.MovedCount() == 0) {
        back.outcome.found = false;
        return back.outcome;
    }

    back.Header("Lauf " + std::to_string(number) + " vom " + ProtocolTimeStamp(run.info.started));
    WritePROTO("Startordner: " + run.info.startFolder);
    std::unique_ptr<UndoJournal> journal;
    if (!test) journal = std::make_unique<UndoJournal>(GetHostName());

    HeldFolders held(run.info.startFolder);
    for (auto m = run.moves.rbegin(); m != run.moves.rend(); ++m) {
        if (m->undone || m->state == MoveState::CopyFailed) continue;
        if (!back.NextFile()) break;
        const auto archived = StampOf(m->to);
        const bool sourceThere = Exists(m->from);
        if (!archived) {
            // Moved back by an undo that was killed before it could say so: nothing left to do.
            if (sourceThere && StampOf(m->from) == m->stamp && journal) journal->Undone(number, m->seq);
            else back.Left(m->to, "nicht mehr vorhanden");
            continue;
        }
        if (sourceThere) {
            back.Left(m->to, m->state == MoveState::DeleteFailed ? "Quelle noch vorhanden" : "Ziel belegt");
            continue;
        }
        if (*archived != m->stamp) {
            back.Left(m->to, "geändert");
            continue;
        }
        if (!back.Move(m->to, m->from, [&] { return held.MoveBack(m->to, m->from); })) continue;
        if (journal) journal->Undone(number, m->seq);
        if (m->replaces) WritePROTO("! Frühere Fassung nicht wiederherstellbar: " + m->to);
    }

    if (!test) {
        std::set<std::string> made;
        for (const auto& m : run.moves) made.insert(m.newFolders.begin(), m.newFolders.end());
        held.RemoveMade({made.begin(), made.end()});
    }
    back.Footer();
    return back.outcome;
}

namespace {

// "~~~ 2008": an archive folder of the year scheme (and the outer level of the month scheme).
bool IsYearFolder(const std::string& name) {
    const std::string prefix = ArchiveFolderPrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 4 || name.rfind(prefix, 0) != 0) return false;
    return std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "~~~ 06 Juni" inside a year folder.
bool IsMonthFolder(const std::string& name) {
    for (int m = 1; m <= 12; ++m)
        if (name == fmt::format("{}{:02} {}", ArchiveFolderPrefix, m, GermanMonthNames()[static_cast<std::size_t>(m - 1)]))
            return true;
    return false;
}

struct Listing {
    std::vector<std::string> files, folders;
};

Listing List(platform::OpenFolder& folder) {
    Listing out;
    try {
        auto search = folder.list();
        platform::DirEntry e;
        while (search && search->next(e)) {
            if (e.attributes.hidden || e.attributes.system) continue;
            (e.attributes.directory ? out.folders : out.files).push_back(e.name);
        }
    } catch (...) {
    }
    // Oldest year and month first: when two archived files share a name, the older one comes back.
    std::sort(out.files.begin(), out.files.end());
    std::sort(out.folders.begin(), out.folders.end());
    return out;
}

class Restore {
public:
    Restore(bool subfolders, MoveBack& back) : subfolders_(subfolders), back_(back) {}

    // Everything happens relative to folders held open, as in a run: a folder swapped for a
    // link meanwhile is neither entered nor emptied.
    void Folder(platform::OpenFolder& dir) {
        const Listing here = List(dir);
        for (const auto& name : here.folders)
            if (IsYearFolder(name) && !Year(dir, name)) return;
        if (!subfolders_) return;
        for (const auto& name : here.folders)
            if (name.rfind(ArchiveFolderPrefix, 0) != 0) {
                if (auto sub = Open(dir, name)) Folder(*sub);
                if (back_.outcome.stopped) return;
            }
    }

private:
    // The year folder `name` of `dir` and its month folders back into `dir`; false once stopped.
    bool Year(platform::OpenFolder& dir, const std::string& name) {
        if (auto year = Open(dir, name)) {
            const Listing inside = List(*year);
            if (!Files(*year, inside.files, dir)) return false;
            for (const auto& month : inside.folders) {
                if (!IsMonthFolder(month)) continue;
                if (auto folder = Open(*year, month); folder && !Files(*folder, List(*folder).files, dir)) return false;
                if (!back_.Test()) RemoveIfEmpty(*year, month);
            }
        }
        if (!back_.Test()) RemoveIfEmpty(dir, name);
        return true;
    }

    // The files of one archive folder back into `dir`; false once stopped.
    bool Files(platform::OpenFolder& archive, const std::vector<std::string>& names, platform::OpenFolder& dir) {
        const std::string base = AddBackslash(dir.path());
        for (const auto& name : names) {
            if (!back_.NextFile()) return false;
            const std::string archived = AddBackslash(archive.path()) + name, original = base + name;
            // In a test nothing moves, so a name that an earlier file would take counts as taken.
            if (Exists(dir, name) || claimed_.count(original) != 0) {
                back_.Left(archived, "Ziel belegt");
                continue;
            }
            const auto move = [&] { return archive.moveFileInto(name, dir, name, platform::MoveMode::NoReplace); };
            if (back_.Move(archived, original, move) && back_.Test()) claimed_.insert(original);
        }
        return true;
    }

    static bool Exists(platform::OpenFolder& dir, const std::string& name) {
        try {
            return dir.attributes(name).has_value();
        } catch (...) {
            return true;  // not known to be free: nothing is put there
        }
    }

    bool subfolders_;
    MoveBack& back_;
    std::set<std::string> claimed_;
};

}  // namespace

UndoOutcome RestoreArchiveFolders(const std::string& folder, bool subfolders, bool test, UndoProgress& progress) {
    MoveBack back(test ? RestoreTestMode : RestoreMode, test, progress);
    back.Header(GetHostName());
    WritePROTO("Startordner: " + folder);
    std::unique_ptr<platform::OpenFolder> start;
    try {
        start = platform::Fs().openFolder(folder);
    } catch (...) {
    }
    if (start) Restore(subfolders, back).Folder(*start);
    back.Footer();
    return back.outcome;
}

}  // namespace ardeko

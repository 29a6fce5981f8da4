#include "archive/FileWalk.h"

#include <fmt/format.h>

#include <memory>
#include <vector>

#include "archive/Journal.h"
#include "archive/Protocol.h"
#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Paths.h"

namespace ardeko {

std::string FileNameFromPath(const std::string& path) {
    const auto pos = path.rfind(platform::Fs().separator());
    if (pos == std::string::npos) return path;
    if (pos == 0) return {};
    return path.substr(pos + 1);
}

std::size_t CharacterCount(const std::string& utf8) {
    std::size_t count = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

std::string ArchiveTargetFolder(const std::string& folder, const platform::LocalDateTime& when, FolderScheme scheme,
                                const std::string& monthName) {
    std::string target = AddBackslash(folder) + ArchiveFolderPrefix + std::to_string(when.year);
    if (scheme == FolderScheme::YearMonth)
        target += platform::Fs().separator() + fmt::format("{}{:02} {}", ArchiveFolderPrefix, when.month, monthName);
    return target;
}

namespace {

const std::vector<std::string>& AnswerCaptions() {
    static const std::vector<std::string> captions{"Ja", "Nein", "Abbrechen"};
    return captions;
}
constexpr int kYes = 1, kNo = 2, kCancel = 3, kDontAskMark = 256;

platform::FileTimeKind KindOf(DateBasis basis) {
    switch (basis) {
        case DateBasis::Created: return platform::FileTimeKind::Created;
        case DateBasis::LastAccessed: return platform::FileTimeKind::LastAccessed;
        default: return platform::FileTimeKind::LastModified;
    }
}

// One call of ProcessFiles for one pattern, with what every folder of it shares.
class Walk {
public:
    Walk(ArchiveDialog& dialog, const std::string& pattern, std::int16_t month, std::int16_t year)
        : dlg_(dialog), state_(dialog.RunState()), pattern_(pattern), month_(month), year_(year) {}

    // Everything below happens relative to `dir`, which stays open meanwhile: what was listed
    // is what is entered and moved, even when somebody swaps a folder for a link meanwhile.
    void Folder(platform::OpenFolder& dir) {
        if (state_.CancelRequested) return CancelExit();
        const std::string base = AddBackslash(dir.path());
        Files(dir, base);
        if (state_.CancelRequested) return CancelExit();

        bool withSubfolders = false;
        try {
            withSubfolders = dlg_.IncludeSubfoldersSet();
        } catch (...) {
        }
        if (!withSubfolders) return;

        // The listing is complete before the first subfolder is entered; only this folder's
        // list is held while its subfolders are walked.
        std::vector<std::string> subfolders;
        try {
            auto search = dir.list();
            platform::DirEntry entry;
            while (search && search->next(entry)) {
                const auto& a = entry.attributes;
                if (!a.directory || a.hidden || a.system) continue;
                if (entry.name.rfind(ArchiveFolderPrefix, 0) == 0) continue;
                subfolders.push_back(entry.name);
                Status("Prüfe Verzeichnis " + std::to_string(subfolders.size()) + "...");
                PumpMessages();
                if (state_.CancelRequested) break;
            }
        } catch (...) {
        }
        if (state_.CancelRequested) return CancelExit();
        // A subfolder that is no longer a folder (a link put in its place) is not entered.
        for (const auto& name : subfolders) {
            std::unique_ptr<platform::OpenFolder> sub;
            try {
                sub = dir.openFolder(name);
            } catch (...) {
            }
            if (sub) Folder(*sub);
            if (state_.CancelRequested) return CancelExit();
        }
    }

private:
    void CancelExit() {
        Status("Archivierung wird abgebrochen...");
        PumpMessages();
    }

    void Status(const std::string& text) {
        try {
            dlg_.SetStatus(text);
        } catch (...) {
        }
    }

    // Steps for the matching files of one folder, one at a time in listing order.
    void Files(platform::OpenFolder& dir, const std::string& base) {
        std::unique_ptr<platform::DirSearch> search;
        try {
            search = dir.list(pattern_);
        } catch (...) {
            return;
        }
        platform::DirEntry entry;
        while (true) {
            try {
                if (!search || !search->next(entry)) return;
            } catch (...) {
                return;
            }
            const auto& a = entry.attributes;
            if (a.directory || a.hidden || a.system) continue;
            try {
                OneFile(*search, dir, base, entry.name);
            } catch (...) {
                // Whatever failed for this file, the walk goes on with the next one.
            }
            if (state_.CancelRequested) return;
        }
    }

    void OneFile(platform::DirSearch& search, platform::OpenFolder& dir, const std::string& base, const std::string& name) {
        ++state_.CheckedCount;
        Status("Prüfe Datei " + std::to_string(state_.CheckedCount) + "...");
        PumpMessages();

        const std::string fullPath = base + name;
        // A file that vanished after the listing has no time to judge it by: it stays out.
        const auto when = search.fileTime(name, KindOf(dlg_.CurrentDateBasis()));
        if (!when || !IsDueForArchive(*when, month_, year_)) return;

        std::string monthName;
        const FolderScheme scheme = dlg_.CurrentFolderScheme();
        if (scheme == FolderScheme::YearMonth && when->month >= 1 && when->month <= 12)
            monthName = dlg_.MonthName(when->month - 1);
        const std::string targetFolder = ArchiveTargetFolder(base, *when, scheme, monthName);
        const std::string target = targetFolder + platform::Fs().separator() + name;

        if (CharacterCount(target) > MaxTargetPathLength) {
            SystemBeep();
            MsgBoxStd("Pfad zu lang für Archivierung!", vbExclamation, Module().ProductTitle);
            WritePROTO("! Pfad zu lang: " + target);
            return;
        }

        const std::string archivedLine = "Archiviert: " + fullPath + " (" + TimeText(*when) + ")";
        if (dlg_.TestRunSet()) {
            CollectPROTO({archivedLine, "in '" + targetFolder + "'"});
            ++state_.ArchivedCount;
            return;
        }

        if (dlg_.ConfirmEachSet()) {
            SystemBeep();
            int answer = kNo;  // a question that could not be asked moves nothing
            try {
                answer = MsgBoxEx("Datei '" + fullPath + "'\r\narchivieren in '" + targetFolder + "'?",
                                  AnswerCaptions(), false, vbQuestion, Module().ProductTitle, std::nullopt, kYes);
            } catch (...) {
            }
            if (answer == kCancel) {
                state_.CancelRequested = true;
                return;
            }
            if (answer == kNo) return;
        }

        // The archive folder and the archived file below `dir`, as the port takes them.
        const std::string archive = targetFolder.substr(base.size());
        const std::string archived = archive + platform::Fs().separator() + name;
        // A link or a file named like the archive folder would carry the file out of the tree
        // or stand in its way: the file stays where it is.
        bool archiveExists = false;
        if (const std::string blocked = BlockedArchiveFolder(dir, archive, archiveExists); !blocked.empty()) {
            MoveFailed(fullPath, target, platform::NotAFolderText(base + blocked));
            return;
        }
        // An existing archived file is replaced by the move itself, in one step once the new one
        // is whole: if the move fails, the old one is still there.
        auto mode = platform::MoveMode::NoReplace;
        const bool replaces = ExistsAsFile(dir, archived);
        if (replaces) {
            if (!MayReplace(target)) return;
            mode = platform::MoveMode::ReplaceExisting;
        }

        // The journal learns of the move before it is tried, so a kill in the middle of it
        // can still be undone; the archive folders about to be made are noted with it.
        const int journalSeq = state_.Journal ? state_.Journal->Intent(fullPath, target, base, targetFolder, replaces) : 0;
        if (archiveExists) SweepTemporaries(dir, base, archive);
        else CreatePath(dir, archive);

        platform::MoveResult moved;
        try {
            moved = dir.moveFile(name, archived, mode);
        } catch (const std::exception& e) {
            moved = {platform::MoveResult::Stage::CopyFailed, e.what()};
        } catch (...) {
            moved = {platform::MoveResult::Stage::CopyFailed, "Unbekannter Fehler"};
        }
        if (state_.Journal) state_.Journal->Result(journalSeq, moved);
        switch (moved.stage) {
            case platform::MoveResult::Stage::CopyFailed:
                MoveFailed(fullPath, target, moved.error);
                return;
            case platform::MoveResult::Stage::DeleteFailed:
                WritePROTO({"! Problem beim Löschen von '" + fullPath + "'", "! " + moved.error});
                ++state_.ErrorCount;
                return;
            case platform::MoveResult::Stage::Done:
                break;
        }
        WritePROTO({archivedLine, "in '" + targetFolder + "'"});
        ++state_.ArchivedCount;
    }

    void MoveFailed(const std::string& fullPath, const std::string& target, const std::string& why) {
        WritePROTO({"! Problem beim Verschieben von '" + fullPath + "'", "! nach '" + target + "'", "! " + why});
        ++state_.ErrorCount;
    }

    // The first level of the archive folder (year, then month) that exists as anything but a
    // real folder, or "" when every existing level is one; `exists` tells whether all do.
    static std::string BlockedArchiveFolder(platform::OpenFolder& dir, const std::string& archive, bool& exists) {
        const char sep = platform::Fs().separator();
        exists = true;
        for (auto p = archive.find(sep);; p = archive.find(sep, p + 1)) {
            const std::string level = archive.substr(0, p);
            try {
                const auto a = dir.attributes(level);
                if (a && (!a->directory || a->system)) return level;
                exists = exists && a.has_value();
            } catch (...) {
                return level;
            }
            if (p == std::string::npos) return {};
        }
    }

    // The existing target: says so in the protocol and, as long as the user wants to be asked,
    // asks. True when the old file may be replaced by the new one.
    bool MayReplace(const std::string& target) {
        const std::string notice = "Zieldatei '" + target + "' ist bereits vorhanden.";
        WritePROTO("! " + notice + "..");
        if (state_.AskBeforeOverwrite) {
            int answer = kNo;  // without an answer the archived file is kept
            try {
                // "Nein" takes Enter: a reflex must not replace a file.
                answer = MsgBoxEx(notice + " Überschreiben?", AnswerCaptions(), true, vbQuestion,
                                  Module().ProductTitle, std::nullopt, kNo);
            } catch (...) {
            }
            if (answer >= kDontAskMark) {
                WritePROTO("! Sicherheitsabfrage vor Überschreiben ausgeschaltet...");
                state_.AskBeforeOverwrite = false;
                answer -= kDontAskMark;
            }
            if (answer == kCancel) {
                state_.CancelRequested = true;
                return false;
            }
            if (answer != kYes) {
                WritePROTO("! Vorhandene Zieldatei wird NICHT überschrieben...");
                return false;
            }
        }
        WritePROTO("! Vorhandene Zieldatei wird überschrieben...");
        return true;
    }

    // Temporary copies of ours that a killed or failed run left in an archive folder this run
    // works in, once per folder and run. One whose file still lies in `base` is a spare copy
    // and goes once its writer has stopped; one whose file is gone may be the only copy left,
    // so it stays, and so does one still being written: the protocol names them.
    void SweepTemporaries(platform::OpenFolder& dir, const std::string& base, const std::string& archive) {
        if (!state_.SweptArchiveFolders.insert(base + archive).second) return;
        const char sep = platform::Fs().separator();
        std::vector<std::pair<std::string, platform::TempCopyName>> found;
        try {
            auto folder = dir.openFolder(archive);
            auto search = folder ? folder->list() : nullptr;
            platform::DirEntry entry;
            while (search && search->next(entry))
                if (auto owner = platform::ParseTempCopyName(entry.name); owner && !entry.attributes.directory)
                    found.emplace_back(archive + sep + entry.name, std::move(*owner));
        } catch (...) {
        }
        for (const auto& [relative, owner] : found) {
            const std::string path = base + relative;
            try {
                const bool sourceThere = !owner.finalName.empty() && ExistsAsFile(dir, owner.finalName);
                if (!sourceThere) {
                    WritePROTO("! Zwischenkopie '" + path + "' bleibt erhalten (Quelldatei fehlt)...");
                } else if (!dir.temporaryAbandoned(relative, owner)) {
                    WritePROTO("! Zwischenkopie '" + path + "' bleibt erhalten (wird noch geschrieben)...");
                } else if (const auto removed = dir.removeFile(relative); !removed) {
                    WritePROTO({"! Problem beim Löschen von '" + path + "'", "! " + removed.error});
                }
            } catch (...) {
            }
        }
    }

    static bool ExistsAsFile(platform::OpenFolder& dir, const std::string& relative) {
        const auto a = dir.attributes(relative);
        return a && !a->directory;
    }

    static std::string TimeText(const platform::LocalDateTime& when) {
        try {
            return platform::Clock().FormatGeneralDate(when);
        } catch (...) {
            return fmt::format("{:02}.{:02}.{:04} {:02}:{:02}:{:02}", when.day, when.month, when.year, when.hour,
                               when.minute, when.second);
        }
    }

    ArchiveDialog& dlg_;
    ArchiveRunState& state_;
    const std::string& pattern_;
    std::int16_t month_;
    std::int16_t year_;
};

}  // namespace

void ProcessFiles(ArchiveDialog& dialog, const std::string& folder, const std::string& pattern,
                  std::int16_t cutOffMonth, std::int16_t cutOffYear) {
    try {
        // A start folder that cannot be opened has nothing to archive.
        if (auto dir = platform::Fs().openFolder(folder)) Walk(dialog, pattern, cutOffMonth, cutOffYear).Folder(*dir);
    } catch (...) {
    }
    FlushPROTO();  // a pattern's lines are all in the protocol when its walk ends
}

}  // namespace ardeko

#pragma once
// The run journal: what every real run moved, for the machine to undo it later. One file per
// host, one JSON record per line, in a folder that does not change with the UI language. Each
// record goes out with one append, so two programs writing the same journal never mix lines,
// and a run killed in the middle leaves every record it wrote.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace ardeko {

// The journal keeps the newest real runs of a host; older ones go when a new run starts.
inline constexpr int JournalKeptRuns = 100;

// Application data + "Veltrano" + "Journal" + host + ".jsonl"; nothing is created.
std::string JournalPath(const std::string& hostName);

// A name of any bytes as journal text and back: '%' and every byte that is not part of
// well-formed UTF-8 become %XX, so the record stays valid UTF-8 and no name is refused.
std::string JournalText(const std::string& name);
std::string NameFromJournalText(const std::string& text);

// What the run that writes a journal records at its start.
struct JournalRunInfo {
    platform::LocalDateTime started;
    std::string host;
    std::string startFolder;
    std::int16_t cutOffMonth = 0, cutOffYear = 0;
    std::string dateBasis;  // "created", "modified", "accessed"
    std::string scheme;     // "year", "month"
    bool subfolders = true;
    std::vector<std::string> patterns;
};

// The records of one real run as it goes.
class RunJournal {
public:
    // Numbers the run (one more than any number this host's journal has seen), drops the
    // oldest runs beyond the kept ones and writes the run record. Null when the journal cannot
    // be written: the run then goes on without it.
    static std::shared_ptr<RunJournal> Begin(const JournalRunInfo& info);

    int Number() const { return number_; }

    // Before a move attempt: the paths, the source's size and time, and the archive folder
    // levels below `base` that do not exist yet (the run creates them next). Returns the
    // move's sequence number for its result.
    int Intent(const std::string& from, const std::string& to, const std::string& base,
               const std::string& targetFolder, bool replaces);
    void Result(int seq, const platform::MoveResult& moved);
    void End(bool stopped);

    RunJournal(std::unique_ptr<platform::AppendFile> file, int number) : file_(std::move(file)), number_(number) {}
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

private:
    std::unique_ptr<platform::AppendFile> file_;
    int number_;
    int seq_ = 0;
    // A result waits for the next record and goes out with it in one write: half the writes,
    // and a result lost to a kill is settled from the disk like any missing one.
    std::string pending_;
    // Archive folders seen to exist during this run: one look at the disk per folder, not per file.
    std::unordered_set<std::string> existing_;
};

// --- reading -------------------------------------------------------------------------------

enum class MoveState { Pending, Moved, CopyFailed, DeleteFailed };

struct JournalMove {
    int seq = 0;
    std::string from, to;
    platform::FileStamp stamp;             // of the source just before the move
    std::vector<std::string> newFolders;   // archive folder levels this move made, outermost first
    bool replaces = false;                 // an archived file of the same name was given up for it
    MoveState state = MoveState::Pending;  // Pending: no result was written (a kill, or still running)
    bool undone = false;
};

struct JournalRun {
    int number = 0;
    JournalRunInfo info;
    bool ended = false;
    std::vector<JournalMove> moves;  // in the order the run made them
    // Files moved and not yet moved back (pending moves count once settled).
    int MovedCount() const;
};

// The runs of a host's journal, oldest first. Lines that are no record (a torn last line) are
// skipped.
std::vector<JournalRun> ReadJournal(const std::string& hostName);

// A move without a result, judged by which side exists now: only the target, moved; only the
// source, failed; both, the source was not removed; neither, moved (and gone since).
void SettlePendingMoves(JournalRun& run);

// Appends the records of moves taken back (undo).
class UndoJournal {
public:
    explicit UndoJournal(const std::string& hostName);
    ~UndoJournal();
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;
    // Written in batches: a record lost to a kill only costs the next undo a look at the disk,
    // which finds the file back at its place.
    void Undone(int run, int seq);

private:
    std::unique_ptr<platform::AppendFile> file_;
    std::string pending_;
    int count_ = 0;
};

}  // namespace ardeko

#pragma once
// The archive protocol: one time-stamped line per event, appended run after run, one file per
// host application in the data folder; and the two protocol buttons of the wizard.
#include <cstddef>
#include <initializer_list>
#include <string>

#include "platform/Types.h"

namespace ardeko {

// Data folder + "Protokoll " + host name + "-Archivierung.txt"; creates the data folder.
std::string ArchiveProtocolPath();

// "dd.mm.yy hh:mm:ss".
std::string ProtocolTimeStamp(const platform::LocalDateTime& when);

// Appends "time stamp - text". A line that cannot be written is lost without a message.
void WritePROTO(const std::string& text);
// Appends several lines with one time stamp, all in one write. Lines collected before are
// written first.
void WritePROTO(std::initializer_list<std::string> texts);

// The lines that could not be written since the count was last reset, and where they were
// to go. The dialog keeps quiet about them; the command line tells.
struct ProtocolLoss {
    std::size_t lines = 0;
    std::string path;
};
ProtocolLoss& LostProtocolLines();

// A test run's file lines: stamped now, collected, and written together with the lines that
// follow them. None waits longer than the first message pump 100 ms after the last write; all
// are written before a message box shows, before the protocol is shown or deleted, at the end
// of each pattern's walk and before any line written at once. A protocol deleted meanwhile is
// begun anew by the next write.
void CollectPROTO(std::initializer_list<std::string> texts);
// Writes every collected line.
void FlushPROTO() noexcept;

// The protocol button: opens the protocol in its associated program, or says it is missing.
void ShowProtocol();

// The delete button: deletes the protocol after a question.
void DeleteProtocol();

}  // namespace ardeko

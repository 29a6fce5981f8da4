#include "archive/Journal.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>
#include <unordered_map>

#include "platform/Ports.h"
#include "platform/Utf8Text.h"
#include "support/Paths.h"

namespace ardeko {

namespace {

// Insertion order kept: every record begins {"t":KIND,"run":N, which lets the journal be
// scanned for run numbers without parsing each line.
using Json = nlohmann::ordered_json;

std::string JournalFolder() {
    const char sep = platform::Fs().separator();
    return AddBackslash(GetSpecialFolder(platform::CSIDL_APPDATA_)) + "Veltrano" + sep + "Journal" + sep;
}

std::string TimeText(const platform::LocalDateTime& t) {
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

platform::LocalDateTime TimeFromText(const std::string& text) {
    platform::LocalDateTime t;
    std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second);
    return t;
}

// The run number of a record line, 0 when the line is none.
int RunNumberOf(std::string_view line) {
    constexpr std::string_view key = ",\"run\":";
    const auto at = line.find(key);
    if (line.rfind("{\"t\":", 0) != 0 || at == std::string_view::npos || at > 24) return 0;
    int number = 0;
    for (auto i = at + key.size(); i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
        number = number * 10 + (line[i] - '0');
    return number;
}

template <class Each>
void ForEachLine(const std::string& text, Each&& each) {
    for (std::size_t at = 0; at < text.size();) {
        auto end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        each(std::string_view(text).substr(at, end - at));
        at = end + 1;
    }
}

std::string Line(const Json& record) { return record.dump(-1, ' ', false, Json::error_handler_t::replace) + '\n'; }

// Appends `before` and the record in one write; `before` is emptied.
bool Write(platform::AppendFile* file, const Json& record, std::string&& before = {}) {
    if (file == nullptr) return false;
    try {
        before += Line(record);
        const bool ok = file->append(before).ok;
        before.clear();
        return ok;
    } catch (...) {
        return false;
    }
}

void Flush(platform::AppendFile* file, std::string& pending) {
    try {
        if (file != nullptr && !pending.empty()) file->append(pending);
    } catch (...) {
    }
    pending.clear();
}

Json Record(const char* kind, int run) { return Json{{"t", kind}, {"run", run}}; }

bool Exists(const std::string& path) {
    try {
        return platform::Fs().attributes(path).has_value();
    } catch (...) {
        return false;
    }
}

}  // namespace

std::string JournalPath(const std::string& hostName) { return JournalFolder() + hostName + ".jsonl"; }

std::string JournalText(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t n = name[i] == '%' ? 0 : platform::Utf8SequenceAt(name, i);
        if (n == 0) {
            out += fmt::format("%{:02X}", static_cast<unsigned char>(name[i]));
            ++i;
        } else {
            out.append(name, i, n);
            i += n;
        }
    }
    return out;
}

std::string NameFromJournalText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::shared_ptr<RunJournal> RunJournal::Begin(const JournalRunInfo& info) {
    try {
        auto& fs = platform::Fs();
        const std::string path = JournalPath(info.host);
        CreatePath(JournalFolder());
        const std::string text = fs.readAll(path).value_or(std::string());

        std::vector<int> runs;  // in journal order, which is the order they started
        ForEachLine(text, [&](std::string_view line) {
            if (line.rfind("{\"t\":\"run\"", 0) == 0)
                if (const int n = RunNumberOf(line); n > 0) runs.push_back(n);
        });
        const int number = runs.empty() ? 1 : *std::max_element(runs.begin(), runs.end()) + 1;
        if (static_cast<int>(runs.size()) >= JournalKeptRuns) {
            const std::set<int> kept(runs.end() - (JournalKeptRuns - 1), runs.end());
            std::string rest;
            rest.reserve(text.size());
            ForEachLine(text, [&](std::string_view line) {
                if (kept.count(RunNumberOf(line)) != 0) rest.append(line).append("\n");
            });
            fs.replaceContent(path, rest);
        }

        auto file = fs.openAppend(path);
        if (!file) return nullptr;
        Json record = Record("run", number);
        record["time"] = TimeText(info.started);
        record["host"] = info.host;
        record["folder"] = JournalText(info.startFolder);
        record["until"] = fmt::format("{}/{}", info.cutOffMonth, info.cutOffYear);
        record["date"] = info.dateBasis;
        record["scheme"] = info.scheme;
        record["subfolders"] = info.subfolders;
        record["types"] = info.patterns;
        if (!Write(file.get(), record)) return nullptr;
        return std::make_shared<RunJournal>(std::move(file), number);
    } catch (...) {
        return nullptr;
    }
}

int RunJournal::Intent(const std::string& from, const std::string& to, const std::string& base,
                       const std::string& targetFolder, bool replaces) {
    const int seq = ++seq_;
    try {
        auto& fs = platform::Fs();
        Json record = Record("intent", number_);
        record["seq"] = seq;
        record["from"] = JournalText(from);
        record["to"] = JournalText(to);
        const auto stamp = fs.stamp(from);
        record["size"] = stamp ? stamp->size : 0;
        record["mtime"] = stamp ? stamp->writeTime : 0;
        Json made = Json::array();
        if (existing_.insert(targetFolder).second && !Exists(targetFolder)) {
            const char sep = fs.separator();
            for (auto p = targetFolder.find(sep, base.size());; p = targetFolder.find(sep, p + 1)) {
                const std::string level = targetFolder.substr(0, p);
                if (!level.empty() && !Exists(level)) made.push_back(JournalText(level));
                if (p == std::string::npos) break;
            }
        }
        if (!made.empty()) record["new"] = made;
        if (replaces) record["replaces"] = true;
        Write(file_.get(), record, std::move(pending_));
    } catch (...) {
    }
    return seq;
}

void RunJournal::Result(int seq, const platform::MoveResult& moved) {
    Json record = Record("result", number_);
    record["seq"] = seq;
    record["result"] = moved.stage == platform::MoveResult::Stage::Done         ? "moved"
                       : moved.stage == platform::MoveResult::Stage::CopyFailed ? "copy-failed"
                                                                                : "delete-failed";
    try {
        pending_ += Line(record);
    } catch (...) {
    }
}

void RunJournal::End(bool stopped) {
    Json record = Record("end", number_);
    record["stopped"] = stopped;
    Write(file_.get(), record, std::move(pending_));
}

RunJournal::~RunJournal() { Flush(file_.get(), pending_); }

int JournalRun::MovedCount() const {
    return static_cast<int>(std::count_if(moves.begin(), moves.end(), [](const JournalMove& m) {
        return !m.undone && (m.state == MoveState::Moved || m.state == MoveState::Pending);
    }));
}

std::vector<JournalRun> ReadJournal(const std::string& hostName) {
    std::vector<JournalRun> runs;
    std::string text;
    try {
        text = platform::Fs().readAll(JournalPath(hostName)).value_or(std::string());
    } catch (...) {
        return runs;
    }
    std::unordered_map<int, std::size_t> runAt;
    std::vector<std::unordered_map<int, std::size_t>> moveAt;
    ForEachLine(text, [&](std::string_view line) {
        const Json r = Json::parse(line, nullptr, false);
        if (r.is_discarded() || !r.is_object()) return;
        try {
            const std::string kind = r.value("t", "");
            const int number = r.value("run", 0);
            if (kind == "run") {
                JournalRun run;
                run.number = number;
                run.info.started = TimeFromText(r.value("time", ""));
                run.info.host = r.value("host", "");
                run.info.startFolder = NameFromJournalText(r.value("folder", ""));
                run.info.dateBasis = r.value("date", "");
                run.info.scheme = r.value("scheme", "");
                run.info.subfolders = r.value("subfolders", true);
                runAt[number] = runs.size();
                runs.push_back(std::move(run));
                moveAt.emplace_back();
                return;
            }
            const auto found = runAt.find(number);
            if (found == runAt.end()) return;
            JournalRun& run = runs[found->second];
            auto& moves = moveAt[found->second];
            const int seq = r.value("seq", 0);
            const auto move = moves.find(seq);
            if (kind == "intent") {
                JournalMove m;
                m.seq = seq;
                m.from = NameFromJournalText(r.value("from", ""));
                m.to = NameFromJournalText(r.value("to", ""));
                m.stamp = {r.value("size", std::uint64_t{0}), r.value("mtime", std::int64_t{0})};
                if (const auto made = r.find("new"); made != r.end() && made->is_array())
                    for (const auto& level : *made) m.newFolders.push_back(NameFromJournalText(level.get<std::string>()));
                m.replaces = r.value("replaces", false);
                moves[seq] = run.moves.size();
                run.moves.push_back(std::move(m));
            } else if (kind == "result" && move != moves.end()) {
                const std::string result = r.value("result", "");
                run.moves[move->second].state = result == "moved"         ? MoveState::Moved
                                                : result == "copy-failed" ? MoveState::CopyFailed
                                                                          : MoveState::DeleteFailed;
            } else if (kind == "undone" && move != moves.end()) {
                run.moves[move->second].undone = true;
            } else if (kind == "end") {
                run.ended = true;
            }
        } catch (...) {
            // a record of an unexpected shape is skipped like a torn line
        }
    });
    return runs;
}

void SettlePendingMoves(JournalRun& run) {
    for (auto& m : run.moves) {
        if (m.state != MoveState::Pending) continue;
        const bool source = Exists(m.from), target = Exists(m.to);
        m.state = source && target ? MoveState::DeleteFailed : source ? MoveState::CopyFailed : MoveState::Moved;
    }
}

UndoJournal::UndoJournal(const std::string& hostName) {
    try {
        CreatePath(JournalFolder());
        file_ = platform::Fs().openAppend(JournalPath(hostName));
    } catch (...) {
    }
}

void UndoJournal::Undone(int run, int seq) {
    Json record = Record("undone", run);
    record["seq"] = seq;
    try {
        pending_ += Line(record);
    } catch (...) {
    }
    if (++count_ % 64 == 0) Flush(file_.get(), pending_);
}

UndoJournal::~UndoJournal() { Flush(file_.get(), pending_); }

}  // namespace ardeko

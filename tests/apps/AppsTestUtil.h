#pragma once
// Shared pieces of the command-line tests: piped answers, file dates, protocol reading.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace ardeko::cli::clitest {

// Standard input as a pipe that holds `text` and then ends.
class PipedInput {
public:
    explicit PipedInput(const std::string& text) {
        if (::pipe(fds_) != 0) throw std::runtime_error("pipe");
        if (::write(fds_[1], text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            throw std::runtime_error("write");
        ::close(fds_[1]);
    }
    ~PipedInput() { ::close(fds_[0]); }
    PipedInput(const PipedInput&) = delete;
    PipedInput& operator=(const PipedInput&) = delete;
    int fd() const { return fds_[0]; }

private:
    int fds_[2]{-1, -1};
};

// Writes a file and dates its last change (and last access) to noon of the given local day.
inline void MakeFile(const std::string& path, int year, int month, int day, const std::string& content = "x") {
    std::ofstream(path, std::ios::binary) << content;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    const timespec when{std::mktime(&tm), 0};
    const timespec times[2]{when, when};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("utimensat " + path);
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The texts of a protocol's lines, without their time stamps.
inline std::vector<std::string> ProtocolTexts(const std::string& path) {
    std::vector<std::string> texts;
    std::istringstream in(ReadAll(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto dash = line.find(" - ");
        texts.push_back(dash == std::string::npos ? line : line.substr(dash + 3));
    }
    return texts;
}

inline bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines)
        if (l == text) return true;
    return false;
}

}  // namespace ardeko::cli::clitest

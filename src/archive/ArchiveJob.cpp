#include "archive/ArchiveJob.h"

#include <cmath>

#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/Module.h"

namespace ardeko {

const std::array<std::string, 12>& GermanMonthNames() {
    static const std::array<std::string, 12> names{"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                                   "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    return names;
}

bool IsDueForArchive(const platform::LocalDateTime& when, std::int16_t cutOffMonth, std::int16_t cutOffYear) {
    return when.year < cutOffYear || (when.year == cutOffYear && when.month <= cutOffMonth);
}

std::string PatternFromEntry(const std::string& entry) {
    const auto open = entry.find('(');
    // Without a "(" the whole entry stands for the pattern, as a search from position 0 does.
    std::string rest = open == std::string::npos ? entry : entry.substr(open + 1);
    if (!rest.empty()) rest.pop_back();
    return rest;
}

std::int16_t CutOffMonthFromIndex(int listIndex) { return static_cast<std::int16_t>(listIndex + 1); }

std::int16_t CutOffYearFromText(const std::string& yearText) {
    std::size_t i = 0;
    while (i < yearText.size() && (yearText[i] == ' ' || yearText[i] == '\t')) ++i;
    bool negative = false;
    if (i < yearText.size() && (yearText[i] == '+' || yearText[i] == '-')) negative = yearText[i++] == '-';
    double value = 0;
    bool digits = false;
    for (; i < yearText.size() && yearText[i] >= '0' && yearText[i] <= '9'; ++i) {
        value = value * 10 + (yearText[i] - '0');
        digits = true;
    }
    if (i < yearText.size() && yearText[i] == '.') {
        double scale = 0.1;
        for (++i; i < yearText.size() && yearText[i] >= '0' && yearText[i] <= '9'; ++i, scale /= 10) {
            value += (yearText[i] - '0') * scale;
            digits = true;
        }
    }
    if (!digits) return 0;
    // Halves go to the even neighbour, as the year box's number conversion has always done.
    const double rounded = std::nearbyint(negative ? -value : value);
    if (rounded < -32768 || rounded > 32767) return 0;
    return static_cast<std::int16_t>(rounded);
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

namespace {
void Refuse(const std::string& why) {
    try {
        platform::UI().Beep();
    } catch (...) {
    }
    MsgBoxStd(why, vbExclamation, Module().ProductTitle);
}
}  // namespace

bool PreRunChecks(bool anyFileTypeTicked, const std::string& startFolder) {
    if (!anyFileTypeTicked) {
        Refuse("Kein Dateityp markiert...");
        return false;
    }
    if (TrimBlanks(startFolder).empty()) {
        Refuse("Bitte Startordner wählen...");
        return false;
    }
    return true;
}

}  // namespace ardeko

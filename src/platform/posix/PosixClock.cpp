// The clock and the user's regional formats, taken from the locale the environment names
// (LANG, LC_NUMERIC, LC_TIME, ...) without changing the process's global locale.
#include <langinfo.h>
#include <time.h>

#include <cstdlib>

#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

namespace ardeko::platform::posix {
namespace {

// Locale texts come in the locale's code set; the system works in UTF-8.
std::string FromLocale(const std::string& text, const std::string& codeSet) {
    if (codeSet == "UTF-8" || IsValidUtf8(text)) return text;
    return ToUtf8(text, codeSet.c_str()).value_or(text);
}

class PosixClock final : public ClockLocale {
public:
    PosixClock() : codeSet_(locale_.codeSet()) {}

    LocalDateTime Now() override {
        const time_t now = time(nullptr);
        tm parts{};
        if (localtime_r(&now, &parts) == nullptr) return LocalDateTime{};
        return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
    }

    std::string FormatGrouped(std::int64_t value) override {
        locale_t loc = locale_.get();
        const char* sep = loc != static_cast<locale_t>(nullptr) ? nl_langinfo_l(THOUSEP, loc) : "";
        const std::string separator = FromLocale(sep != nullptr ? sep : "", codeSet_);
        // The magnitude as unsigned, so that the smallest 64-bit number has one too.
        const std::uint64_t magnitude =
            value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
        const std::string digits = std::to_string(magnitude);
        std::string out = value < 0 ? "-" : "";
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
            out.push_back(digits[i]);
        }
        return out;
    }

    std::string FormatGeneralDate(const LocalDateTime& when) override {
        tm parts{};
        parts.tm_year = when.year - 1900;
        parts.tm_mon = when.month - 1;
        parts.tm_mday = when.day;
        parts.tm_hour = when.hour;
        parts.tm_min = when.minute;
        parts.tm_sec = when.second;
        // Week day and day of the year, for formats that name the day.
        tm normal = parts;
        const time_t asUtc = timegm(&normal);
        if (asUtc != static_cast<time_t>(-1)) {
            parts.tm_wday = normal.tm_wday;
            parts.tm_yday = normal.tm_yday;
        }
        parts.tm_isdst = -1;

        locale_t loc = locale_.get();
        const bool midnight = when.hour == 0 && when.minute == 0 && when.second == 0;
        std::string text = Format(loc, D_FMT, "%m/%d/%y", parts);
        if (!midnight) {
            text += ' ';
            text += Format(loc, T_FMT, "%H:%M:%S", parts);
        }
        return FromLocale(text, codeSet_);
    }

private:
    EnvLocale locale_;  // as the environment named it when the clock was made
    std::string codeSet_;

    static std::string Format(locale_t loc, nl_item item, const char* fallback, const tm& parts) {
        const char* pattern = loc != static_cast<locale_t>(nullptr) ? nl_langinfo_l(item, loc) : nullptr;
        if (pattern == nullptr || *pattern == '\0') pattern = fallback;
        char buffer[256];
        const std::size_t n = loc != static_cast<locale_t>(nullptr) ? strftime_l(buffer, sizeof buffer, pattern, &parts, loc)
                                                                    : strftime(buffer, sizeof buffer, pattern, &parts);
        return std::string(buffer, n);
    }
};

}  // namespace

std::unique_ptr<ClockLocale> MakePosixClock() { return std::make_unique<PosixClock>(); }

}  // namespace ardeko::platform::posix

// Local time and the user's regional settings for numbers and dates.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::platform::win32 {
namespace {

std::wstring LocaleInfo(LCTYPE what, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, buffer, 16) <= 1) return fallback;
    return buffer;
}

class Win32Clock final : public ClockLocale {
public:
    LocalDateTime Now() override {
        SYSTEMTIME t{};
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }

    std::string FormatGrouped(std::int64_t value) override {
        // Whole numbers: the user's grouping and thousands separator, no decimals.
        std::wstring decimal = LocaleInfo(LOCALE_SDECIMAL, L"."), thousand = LocaleInfo(LOCALE_STHOUSAND, L",");
        NUMBERFMTW format{};
        format.NumDigits = 0;
        format.LeadingZero = 0;
        format.Grouping = 3;
        format.lpDecimalSep = decimal.data();
        format.lpThousandSep = thousand.data();
        format.NegativeOrder = 1;  // -1.234
        const std::wstring digits = std::to_wstring(value);
        wchar_t buffer[64] = {};
        if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits.c_str(), &format, buffer, 64) == 0)
            return std::to_string(value);
        return ardeko::win32::Utf8(buffer);
    }

    std::string FormatGeneralDate(const LocalDateTime& when) override {
        SYSTEMTIME t{};
        t.wYear = static_cast<WORD>(when.year);
        t.wMonth = static_cast<WORD>(when.month);
        t.wDay = static_cast<WORD>(when.day);
        t.wHour = static_cast<WORD>(when.hour);
        t.wMinute = static_cast<WORD>(when.minute);
        t.wSecond = static_cast<WORD>(when.second);
        wchar_t date[80] = {}, time[80] = {};
        if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, 80, nullptr) == 0)
            return Fallback(when);
        std::string text = ardeko::win32::Utf8(date);
        if (when.hour == 0 && when.minute == 0 && when.second == 0) return text;
        if (GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &t, nullptr, time, 80) == 0) return Fallback(when);
        return text + " " + ardeko::win32::Utf8(time);
    }

private:
    static std::string Fallback(const LocalDateTime& w) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", w.day, w.month, w.year, w.hour, w.minute,
                      w.second);
        return buffer;
    }
};

}  // namespace

std::unique_ptr<ClockLocale> MakeWin32Clock() { return std::make_unique<Win32Clock>(); }

}  // namespace ardeko::platform::win32

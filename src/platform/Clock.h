#pragma once
// Clock and the user's regional settings.
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace ardeko::platform {

class ClockLocale {
public:
    virtual ~ClockLocale() = default;
    virtual LocalDateTime Now() = 0;
    // Milliseconds of a clock that only moves forward, for measuring how long something waits.
    virtual std::int64_t TickMs() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    // Digits grouped in threes with the locale's thousands separator ("1.234" in German).
    virtual std::string FormatGrouped(std::int64_t value) = 0;
    // Short date and long time of the locale, the time left out when it is exactly midnight
    // ("12.03.2007 10:11:12" in German).
    virtual std::string FormatGeneralDate(const LocalDateTime& when) = 0;
};

}  // namespace ardeko::platform

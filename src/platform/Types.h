#pragma once
// Plain value types shared by the ports and the system's own logic.
#include <cstdint>
#include <string>

namespace ardeko::platform {

// A calendar date and time of day in the user's local time.
// The default value is the "zero date" 30.12.1899 00:00:00 that the Windows side uses.
struct LocalDateTime {
    int year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Outcome of a file-system operation; `error` is the platform's description when it failed.
struct IoResult {
    bool ok = true;
    std::string error;

    static IoResult success() { return {}; }
    static IoResult failure(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

}  // namespace ardeko::platform

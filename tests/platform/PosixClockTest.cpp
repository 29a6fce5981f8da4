#include <locale.h>
#include <time.h>

#include <gtest/gtest.h>

#include "PosixTestUtil.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko;
using namespace ardeko::posixtest;
using platform::LocalDateTime;

namespace {

bool HaveLocale(const char* name) {
    locale_t loc = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return false;
    freelocale(loc);
    return true;
}

TEST(PosixClock, GermanFormats) {
    if (!HaveLocale("de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed (./run installs it)";
    ScopedEnv all("LC_ALL", "de_DE.UTF-8");
    auto clock = platform::posix::MakePosixClock();

    const struct {
        std::int64_t value;
        const char* text;
    } numbers[] = {{0, "0"},           {999, "999"},         {1000, "1.000"},
                   {1234567, "1.234.567"}, {-1234, "-1.234"}, {INT64_MIN, "-9.223.372.036.854.775.808"}};
    for (const auto& n : numbers) EXPECT_EQ(clock->FormatGrouped(n.value), n.text);

    EXPECT_EQ(clock->FormatGeneralDate({2024, 6, 10, 8, 13, 20}), "10.06.2024 08:13:20");
    EXPECT_EQ(clock->FormatGeneralDate({2007, 3, 12, 10, 11, 12}), "12.03.2007 10:11:12");
    EXPECT_EQ(clock->FormatGeneralDate({2008, 6, 3, 0, 0, 0}), "03.06.2008");  // midnight: date only
    EXPECT_EQ(clock->FormatGeneralDate({2008, 6, 3, 0, 0, 1}), "03.06.2008 00:00:01");
    EXPECT_EQ(clock->FormatGeneralDate(LocalDateTime{}), "30.12.1899");
}

TEST(PosixClock, MissingLocaleFallsBackToC) {
    ScopedEnv all("LC_ALL", "xx_YY.UTF-8");
    auto clock = platform::posix::MakePosixClock();
    EXPECT_EQ(clock->FormatGrouped(1234567), "1234567");  // "C" groups nothing
    EXPECT_EQ(clock->FormatGeneralDate({2024, 6, 10, 8, 13, 20}), "06/10/24 08:13:20");
}

}  // namespace

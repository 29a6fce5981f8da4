#include <locale.h>

#include <gtest/gtest.h>

#include "PosixTestUtil.h"
#include "platform/posix/PosixPorts.h"

TEST(PosixClock, FormatsOfTheEnvironmentsLocaleElseC) {
    const struct { const char *locale, *grouped, *min, *date; } cases[] = {
        {"xx_YY.UTF-8", "123456", "-9223372036854775808", "06/03/08"},  // a missing locale counts as "C"
        {"de_DE.UTF-8", "123.456", "-9.223.372.036.854.775.808", "03.06.2008"},
    };
    for (const auto& c : cases) {
        if (locale_t l = newlocale(LC_ALL_MASK, c.locale, locale_t{}); l != locale_t{}) freelocale(l);
        else if (c.locale[0] == 'd') GTEST_SKIP() << "de_DE.UTF-8 is not installed (./run installs it)";
        ardeko::posixtest::ScopedEnv all("LC_ALL", c.locale);
        auto clock = ardeko::platform::posix::MakePosixClock();
        EXPECT_EQ(clock->FormatGrouped(123456), c.grouped);
        EXPECT_EQ(clock->FormatGrouped(INT64_MIN), c.min);
        EXPECT_EQ(clock->FormatGeneralDate({2008, 6, 3, 0, 0, 0}), c.date);  // midnight: date only
        EXPECT_EQ(clock->FormatGeneralDate({2008, 6, 3, 0, 0, 1}), c.date + std::string(" 00:00:01"));
    }
}

// UTC texts as the store and journal keep them, and the local days the yield
// figures are grouped by.
#include "results/utc_time.h"

#include "run_fixture.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

using test::LocalZone;

TEST(UtcTime, FormatsMillisecondsInUtcAndParsesThemBack) {
    struct Case {
        int64_t millis;
        const char* text;
    } cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {1796921823123, "2026-12-10T16:57:03.123Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
        {951782400000, "2000-02-29T00:00:00.000Z"},
        {7258118400000, "2200-01-01T00:00:00.000Z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatUtcMillis(FromUnixMillis(c.millis)), c.text);
        const auto parsed = ParseUtcMillis(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(UnixMillis(*parsed), c.millis) << c.text;
    }
}

TEST(UtcTime, ParsesOffsetsAndFractionsButNothingLoose) {
    EXPECT_EQ(FormatUtcMillis(*ParseUtcMillis("2026-12-11T00:57:03.1234567+08:00")),
              "2026-12-10T16:57:03.123Z");
    EXPECT_EQ(FormatUtcMillis(*ParseUtcMillis("2026-12-10T16:57:03Z")), "2026-12-10T16:57:03.000Z");
    for (const char* bad :
         {"2026-12-10 16:57:03.123Z", "2026-12-10T16:57:03.Z", "2026-12-10T24:00:00Z",
          "2026-12-10T16:57:03.123z", "2026-12-10T16:57:03.123Z ", "2026-02-29T00:00:00Z",
          "0000-01-01T00:00:00.000+00:01", "9999-12-31T23:59:59.999Z", "26-12-10T16:57:03Z", ""})
        EXPECT_FALSE(ParseUtcMillis(bad)) << bad;
}

TEST(UtcTime, DaysAreTheStationsLocalDays) {
    LocalZone zone("CST-8"); // UTC+8 all year
    EXPECT_EQ(LocalDayOf(*ParseUtcMillis("2026-12-10T15:59:59.999Z")), "2026-12-10");
    EXPECT_EQ(LocalDayOf(*ParseUtcMillis("2026-12-10T16:00:00.000Z")), "2026-12-11");
    EXPECT_EQ(FormatUtcMillis(*LocalDayStart("2026-12-11")), "2026-12-10T16:00:00.000Z");
    EXPECT_EQ(FormatUtcMillis(*LocalDayEnd("2026-12-31")), "2026-12-31T16:00:00.000Z");
    EXPECT_FALSE(LocalDayStart("2026-12-32"));
    EXPECT_FALSE(LocalDayStart("2026-12-1"));

    LocalDayCache cache;
    EXPECT_EQ(cache.DayOf(UnixMillis(*ParseUtcMillis("2026-12-10T15:00:00Z"))), "2026-12-10");
    EXPECT_EQ(cache.DayOf(UnixMillis(*ParseUtcMillis("2026-12-10T16:00:00Z"))), "2026-12-11");
    EXPECT_EQ(cache.DayOf(UnixMillis(*ParseUtcMillis("2026-12-10T15:59:59.999Z"))), "2026-12-10");
}

TEST(UtcTime, ADaylightSavingDayIsTwentyThreeHoursLong) {
    LocalZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const auto start = LocalDayStart("2026-03-29");
    const auto end = LocalDayEnd("2026-03-29");
    ASSERT_TRUE(start && end);
    EXPECT_EQ(*end - *start, std::chrono::hours(23));
    EXPECT_EQ(LocalDayOf(*end - std::chrono::milliseconds(1)), "2026-03-29");
}

} // namespace
} // namespace varnet

#include <gtest/gtest.h>

#include "paths/time_text.h"

namespace {

DateTime dt(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return DateTime{y, mo, d, h, mi, s}; }

TEST(TimeText, WritesTheShortestFormThatKeepsEveryNonZeroField) {
    EXPECT_EQ(format_time_text(dt(2011, 10, 22, 9, 5, 7)), "2011年10月22日9时5分7秒");
    EXPECT_EQ(format_time_text(dt(2011, 10, 22, 9, 5, 0)), "2011年10月22日9时5分");
    EXPECT_EQ(format_time_text(dt(2011, 10, 22, 9, 0, 0)), "2011年10月22日9时");
    EXPECT_EQ(format_time_text(dt(2011, 10, 22, 0, 0, 0)), "2011年10月22日");
    // A zero hour or minute is written when a later field is not zero.
    EXPECT_EQ(format_time_text(dt(2012, 1, 1, 0, 0, 5)), "2012年1月1日0时0分5秒");
    EXPECT_EQ(format_time_text(dt(2012, 1, 1, 0, 7, 0)), "2012年1月1日0时7分");
}

TEST(TimeText, TheWrittenFormsReadBackExactly) {
    for (const DateTime& t : {dt(2011, 1, 1, 1, 1, 1), dt(2012, 12, 21, 3, 14, 35), dt(2011, 10, 22, 9, 5),
                              dt(2011, 10, 22, 9), dt(2011, 10, 22), dt(2000, 2, 29, 23, 59, 59),
                              dt(9999, 12, 31, 23, 59, 59), dt(100, 1, 1, 0, 0, 1)}) {
        EXPECT_EQ(parse_time_text(format_time_text(t)), t) << format_time_text(t);
    }
}

TEST(TimeText, AcceptsOtherSeparators) {
    EXPECT_EQ(parse_time_text("2011-10-22 9:05:07"), dt(2011, 10, 22, 9, 5, 7));
    EXPECT_EQ(parse_time_text("2011/10/22"), dt(2011, 10, 22));
    EXPECT_EQ(parse_time_text("2011.10.22 09:05"), dt(2011, 10, 22, 9, 5));
    EXPECT_EQ(parse_time_text("  2011年10月22日 9时"), dt(2011, 10, 22, 9));
}

TEST(TimeText, InvalidTextIsTheEarliestMoment) {
    const DateTime earliest = dt(100, 1, 1);
    for (const char* bad : {"", "abc", "2011年", "2011年13月1日", "2011年2月29日", "2011年1月32日",
                            "2011年1月1日24时", "2011年1月1日1时60分", "2011年1月1日1时1分60秒",
                            "2011年1月1日x", "2011年1月1日1时1分1秒extra", "99年1月1日",
                            "99999999999999年1月1日"}) {
        EXPECT_EQ(parse_time_text(bad), earliest) << bad;
    }
}

TEST(TimeText, YearsBeyond9999AreClampedToTheLastMoment) {
    EXPECT_EQ(parse_time_text("10000年1月1日"), dt(9999, 12, 31, 23, 59, 59));
}

TEST(TimeText, SecondsCountFrom1899_12_30) {
    EXPECT_EQ(to_seconds(dt(1899, 12, 30)), 0);
    EXPECT_EQ(to_seconds(dt(100, 1, 1)), -657434LL * 86400);
    EXPECT_EQ(to_seconds(dt(2011, 1, 1, 1, 1, 1)), 40544LL * 86400 + 3661);
}

TEST(TimeText, TheClockCanBeReplaced) {
    set_clock_for_tests([] { return dt(2011, 10, 22, 9, 5, 0); });
    EXPECT_EQ(current_time_text(), "2011年10月22日9时5分");
    set_clock_for_tests({});
    DateTime real = now_local();
    EXPECT_GE(real.year, 2024);
}

}  // namespace

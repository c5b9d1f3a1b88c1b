#include <cmath>

#include <gtest/gtest.h>

#include "vcl/DateTime.h"
#include "vcl/System.h"

namespace {

TEST(DateTime, EncodesTheReferenceDates)
{
    EXPECT_EQ(vcl::EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(vcl::EncodeDate(1970, 1, 1), 25569.0);
    EXPECT_EQ(vcl::EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(vcl::EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(vcl::EncodeDate(1, 1, 1), -693593.0);
    EXPECT_DOUBLE_EQ(vcl::EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(vcl::EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTime, RefusesInvalidFields)
{
    struct Case { int y, m, d; } bad[] = {{2023, 2, 29}, {2000, 13, 1}, {2000, 0, 1}, {0, 1, 1}, {10000, 1, 1},
                                          {2000, 4, 31}, {2000, 1, 0}};
    for (auto c : bad) EXPECT_THROW(vcl::EncodeDate(c.y, c.m, c.d), vcl::EConvertError) << c.y << "-" << c.m;
    EXPECT_NO_THROW(vcl::EncodeDate(2000, 2, 29));
    EXPECT_NO_THROW(vcl::EncodeDate(2024, 2, 29));
    EXPECT_THROW(vcl::EncodeDate(1900, 2, 29), vcl::EConvertError);
    EXPECT_THROW(vcl::EncodeTime(24, 0, 0, 0), vcl::EConvertError);
    EXPECT_THROW(vcl::EncodeTime(0, 60, 0, 0), vcl::EConvertError);
    EXPECT_THROW(vcl::EncodeTime(0, 0, 0, 1000), vcl::EConvertError);
}

TEST(DateTime, DecodesWhatItEncodes)
{
    for (int y : {1, 1600, 1899, 1900, 1970, 2000, 2024, 9999})
        for (int m = 1; m <= 12; ++m)
            for (int d : {1, 15, vcl::DaysInMonth(y, m)}) {
                int32_t yy = 0, mm = 0, dd = 0;
                vcl::DecodeDate(vcl::EncodeDate(y, m, d), yy, mm, dd);
                ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
            }
    int32_t h = 0, mi = 0, s = 0, ms = 0;
    vcl::DecodeTime(vcl::EncodeDate(2020, 5, 6) + vcl::EncodeTime(23, 59, 59, 999), h, mi, s, ms);
    EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 235959999);
    // Before 1899-12-30 the fraction still counts forward from midnight.
    vcl::DecodeTime(-1.25, h, mi, s, ms);
    EXPECT_EQ(h, 6);
    int32_t y = 1, mo = 1, d = 1;
    vcl::DecodeDate(std::nan(""), y, mo, d);
    EXPECT_EQ(y + mo + d, 0);
    vcl::DecodeDate(1e300, y, mo, d);
    EXPECT_EQ(y + mo + d, 0);
}

TEST(DateTime, WeekdaysStartOnMonday)
{
    EXPECT_EQ(vcl::DayOfTheWeek(vcl::EncodeDate(2000, 1, 1)), 6);  // Saturday
    EXPECT_EQ(vcl::DayOfTheWeek(vcl::EncodeDate(2026, 12, 7)), 1); // Monday
    EXPECT_EQ(vcl::DayOfTheWeek(vcl::EncodeDate(1899, 12, 24)), 7);
}

TEST(DateTime, FormatsTokens)
{
    vcl::TDateTime v = vcl::EncodeDate(2024, 3, 5) + vcl::EncodeTime(14, 7, 9, 45);
    struct Case { const char* fmt; const char* out; } cases[] = {
        {"yyyy-mm-dd hh:nn:ss", "2024-03-05 14:07:09"},
        {"d/m/yy", "5/3/24"},
        {"dddd, d mmmm yyyy", "Tuesday, 5 March 2024"},
        {"ddd mmm", "Tue Mar"},
        {"hh:mm", "14:07"},
        {"h:nn am/pm", "2:07 pm"},
        {"h:nn AM/PM", "2:07 PM"},
        {"h a/p", "2 p"},
        {"ss.zzz", "09.045"},
        {"'at' hh\"h\"", "at 14h"},
    };
    for (auto c : cases) EXPECT_EQ(vcl::FormatDateTime(c.fmt, v), c.out) << c.fmt;
    EXPECT_EQ(vcl::FormatDateTime("h am/pm", vcl::EncodeDate(2024, 1, 1)), "12 am");
}

TEST(DateTime, ClockCanBeReplaced)
{
    vcl::SetClockOverride([] { return 45000.5; });
    EXPECT_EQ(vcl::Now(), 45000.5);
    vcl::SetClockOverride(nullptr);
    EXPECT_GT(vcl::Now(), vcl::EncodeDate(2020, 1, 1));
}

TEST(DateTime, UnixTimesRoundTrip)
{
    for (int64_t t : {int64_t(0), int64_t(86400 * 365), int64_t(1700000000)})
        EXPECT_EQ(vcl::DateTimeToUnix(vcl::UnixToDateTime(t)), t);
}

} // namespace

#include "vcl/DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "vcl/Cp1252.h"
#include "vcl/System.h"

namespace vcl {

namespace {

std::function<TDateTime()> g_clock;

constexpr const char* kShortMonth[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonth[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kShortDay[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char* kLongDay[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

// Days from 0001-01-01 to the given date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) noexcept
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468; // days since 1970-01-01
}

void CivilFromDays(int64_t z, int32_t& y, int32_t& m, int32_t& d) noexcept
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int32_t>(yoe + era * 400 + (m <= 2));
}

constexpr double kMinDate = -693593.0;  // 0001-01-01
constexpr double kMaxDate = 2958466.0;  // 10000-01-01 (exclusive)

// Milliseconds since 1899-12-30 for a value, with the fraction of negative
// dates counted forward from the day's midnight as the format prescribes.
bool SplitValue(TDateTime v, int64_t& day, int64_t& msOfDay) noexcept
{
    if (!std::isfinite(v) || v < kMinDate || v >= kMaxDate) return false;
    double whole = std::trunc(v);
    double frac = std::fabs(v - whole);
    int64_t ms = SatRound64(frac * 86400000.0);
    day = static_cast<int64_t>(whole);
    if (ms >= 86400000) { // rounding reached the next midnight
        ms -= 86400000;
        day += v < 0 ? -1 : 1;
    }
    msOfDay = ms;
    return true;
}

std::string Pad(int64_t v, int width)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v));
    return buf;
}

bool StartsWithNoCase(const std::string& s, size_t i, const char* what)
{
    for (size_t k = 0; what[k]; ++k)
        if (i + k >= s.size() || AsciiLower(static_cast<unsigned char>(s[i + k])) != static_cast<unsigned char>(what[k]))
            return false;
    return true;
}

} // namespace

bool IsLeapYear(int32_t Year) noexcept { return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0; }

int32_t DaysInMonth(int32_t Year, int32_t Month) noexcept
{
    static constexpr int32_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (Month < 1 || Month > 12) return 0;
    return Month == 2 && IsLeapYear(Year) ? 29 : days[Month - 1];
}

bool TryEncodeDate(int32_t Year, int32_t Month, int32_t Day, TDateTime& Result) noexcept
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month)) return false;
    Result = static_cast<double>(DaysFromCivil(Year, Month, Day)) + kUnixEpochDate;
    return true;
}

bool TryEncodeTime(int32_t Hour, int32_t Min, int32_t Sec, int32_t MSec, TDateTime& Result) noexcept
{
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999) return false;
    Result = (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / 86400000.0;
    return true;
}

TDateTime EncodeDate(int32_t Year, int32_t Month, int32_t Day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(Year, Month, Day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

TDateTime EncodeTime(int32_t Hour, int32_t Min, int32_t Sec, int32_t MSec)
{
    TDateTime r = 0;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, r)) throw EConvertError("Invalid argument to time encode");
    return r;
}

void DecodeDate(TDateTime Value, int32_t& Year, int32_t& Month, int32_t& Day) noexcept
{
    int64_t day = 0, ms = 0;
    if (!SplitValue(Value, day, ms)) {
        Year = Month = Day = 0;
        return;
    }
    CivilFromDays(day - static_cast<int64_t>(kUnixEpochDate), Year, Month, Day);
}

void DecodeTime(TDateTime Value, int32_t& Hour, int32_t& Min, int32_t& Sec, int32_t& MSec) noexcept
{
    int64_t day = 0, ms = 0;
    if (!SplitValue(Value, day, ms)) {
        Hour = Min = Sec = MSec = 0;
        return;
    }
    Hour = static_cast<int32_t>(ms / 3600000);
    Min = static_cast<int32_t>(ms / 60000 % 60);
    Sec = static_cast<int32_t>(ms / 1000 % 60);
    MSec = static_cast<int32_t>(ms % 1000);
}

int32_t DayOfTheWeek(TDateTime Value) noexcept
{
    int64_t day = 0, ms = 0;
    if (!SplitValue(Value, day, ms)) return 0;
    // 1899-12-30 was a Saturday (6).
    int64_t w = (day + 5) % 7;
    if (w < 0) w += 7;
    return static_cast<int32_t>(w + 1);
}

TDateTime UnixToDateTime(int64_t Seconds)
{
    time_t t = static_cast<time_t>(Seconds);
    struct tm local {};
    if (!localtime_r(&t, &local)) return kUnixEpochDate + static_cast<double>(Seconds) / 86400.0;
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date)) return 0;
    TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, 0, time);
    return date + time;
}

int64_t DateTimeToUnix(TDateTime Value)
{
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(Value, y, mo, d);
    DecodeTime(Value, h, mi, s, ms);
    struct tm local {};
    local.tm_year = y - 1900;
    local.tm_mon = mo - 1;
    local.tm_mday = d;
    local.tm_hour = h;
    local.tm_min = mi;
    local.tm_sec = s;
    local.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&local));
}

TDateTime Now()
{
    if (g_clock) return g_clock();
    auto now = std::chrono::system_clock::now().time_since_epoch();
    int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    TDateTime whole = UnixToDateTime(ms / 1000);
    return whole + static_cast<double>(ms % 1000) / 86400000.0;
}

void SetClockOverride(std::function<TDateTime()> clock) { g_clock = std::move(clock); }

std::string FormatDateTime(const std::string& Format, TDateTime Value)
{
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(Value, y, mo, d);
    DecodeTime(Value, h, mi, s, ms);
    int32_t dow = DayOfTheWeek(Value);

    // A twelve-hour marker anywhere in the pattern changes how hours print.
    bool twelve = false;
    for (size_t i = 0; i < Format.size(); ++i)
        if (StartsWithNoCase(Format, i, "am/pm") || StartsWithNoCase(Format, i, "a/p")) twelve = true;
    int32_t h12 = h % 12 == 0 ? 12 : h % 12;

    std::string out;
    bool afterHour = false;
    size_t i = 0;
    while (i < Format.size()) {
        char c = Format[i];
        unsigned char lc = AsciiLower(static_cast<unsigned char>(c));
        size_t run = 1;
        while (i + run < Format.size() && AsciiLower(static_cast<unsigned char>(Format[i + run])) == lc) ++run;
        if (c == '"' || c == '\'') {
            size_t end = Format.find(c, i + 1);
            if (end == std::string::npos) end = Format.size();
            out.append(Format, i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (lc == 'a' && StartsWithNoCase(Format, i, "am/pm")) {
            bool upper = Format[i] == 'A';
            out += h < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
            continue;
        }
        if (lc == 'a' && StartsWithNoCase(Format, i, "a/p")) {
            char mark = h < 12 ? 'a' : 'p';
            out += Format[i] == 'A' ? static_cast<char>(mark - 32) : mark;
            i += 3;
            continue;
        }
        switch (lc) {
        case 'd':
            if (run == 1) out += std::to_string(d);
            else if (run == 2) out += Pad(d, 2);
            else if (run == 3) out += dow ? kShortDay[dow - 1] : "";
            else out += dow ? kLongDay[dow - 1] : "";
            afterHour = false;
            break;
        case 'm':
            if (afterHour && run <= 2) {
                out += run == 1 ? std::to_string(mi) : Pad(mi, 2);
            } else if (run == 1) out += std::to_string(mo);
            else if (run == 2) out += Pad(mo, 2);
            else if (run == 3) out += mo ? kShortMonth[mo - 1] : "";
            else out += mo ? kLongMonth[mo - 1] : "";
            afterHour = false;
            break;
        case 'y':
            out += run <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
            afterHour = false;
            break;
        case 'h': {
            int32_t hv = twelve ? h12 : h;
            out += run == 1 ? std::to_string(hv) : Pad(hv, 2);
            afterHour = true;
            break;
        }
        case 'n':
            out += run == 1 ? std::to_string(mi) : Pad(mi, 2);
            afterHour = false;
            break;
        case 's':
            out += run == 1 ? std::to_string(s) : Pad(s, 2);
            afterHour = false;
            break;
        case 'z':
            out += run < 3 ? std::to_string(ms) : Pad(ms, 3);
            afterHour = false;
            break;
        default:
            out.append(run, c);
            break;
        }
        i += run;
    }
    return out;
}

} // namespace vcl

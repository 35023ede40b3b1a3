#include "results/utc_time.h"

#include "platform/text_format.h"

#include <ctime>

namespace varnet {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the
// well-known era-based conversions; no time zone involved).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool IsLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int64_t y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Reads exactly n digits at text[pos]; false when any is not a digit.
bool Digits(std::string_view text, size_t pos, size_t n, int& value) {
    if (pos + n > text.size())
        return false;
    value = 0;
    for (size_t i = pos; i < pos + n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool ParseDate(std::string_view text, int& y, int& m, int& d) {
    return text.size() >= 10 && Digits(text, 0, 4, y) && text[4] == '-' && Digits(text, 5, 2, m) &&
           text[7] == '-' && Digits(text, 8, 2, d) && m >= 1 && m <= 12 && d >= 1 &&
           static_cast<unsigned>(d) <= DaysInMonth(y, static_cast<unsigned>(m));
}

std::optional<std::tm> LocalTm(int64_t unixSeconds) {
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    if (!::localtime_r(&t, &tm))
        return std::nullopt;
    return tm;
}

// The instant of local midnight starting the given date; mktime settles the
// days whose midnight does not exist (a daylight-saving jump) on the next
// valid time.
std::optional<int64_t> LocalMidnight(int y, int m, int d) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = m - 1;
    tm.tm_mday = d;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<int64_t>(t) * 1000;
}

std::string DayText(int y, int m, int d) {
    return Format("%04d-%02d-%02d", y, m, d);
}

} // namespace

int64_t UnixMillis(SystemTime time) {
    return std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

SystemTime FromUnixMillis(int64_t millis) {
    return SystemTime(std::chrono::duration_cast<SystemTime::duration>(std::chrono::milliseconds(millis)));
}

std::string FormatUtcMillis(SystemTime time) {
    const int64_t ms = UnixMillis(time);
    const int64_t days = FloorDiv(ms, 86400000);
    const int64_t inDay = ms - days * 86400000;
    int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    CivilFromDays(days, y, m, d);
    return Format("%04lld-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<long long>(y), m, d,
                  static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
}

std::optional<SystemTime> ParseUtcMillis(std::string_view text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!ParseDate(text, y, mo, d) || text.size() < 19 || text[10] != 'T' || !Digits(text, 11, 2, h) ||
        text[13] != ':' || !Digits(text, 14, 2, mi) || text[16] != ':' || !Digits(text, 17, 2, s))
        return std::nullopt;
    if (h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    size_t pos = 19;
    int millis = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (digits < 3)
                millis = millis * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        if (digits == 0)
            return std::nullopt;
        for (int k = digits; k < 3; ++k)
            millis *= 10;
    }
    int offsetMinutes = 0;
    if (pos < text.size() && text[pos] == 'Z') {
        ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int oh = 0, om = 0;
        if (!Digits(text, pos + 1, 2, oh) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
            !Digits(text, pos + 4, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetMinutes = (oh * 60 + om) * (text[pos] == '-' ? -1 : 1);
        pos += 6;
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    const int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    const int64_t ms =
        ((days * 24 + h) * 60 + mi - offsetMinutes) * 60000 + static_cast<int64_t>(s) * 1000 + millis;
    // Only instants the clock can hold (its ticks are finer than
    // milliseconds, so its range is some centuries, not the texts' years).
    constexpr int64_t kLimit =
        std::chrono::duration_cast<std::chrono::milliseconds>(SystemTime::duration::max()).count();
    if (ms <= -kLimit || ms >= kLimit)
        return std::nullopt;
    return FromUnixMillis(ms);
}

std::string LocalDayOf(SystemTime time) {
    const auto tm = LocalTm(FloorDiv(UnixMillis(time), 1000));
    if (!tm)
        return {};
    return DayText(tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday);
}

std::optional<SystemTime> LocalDayStart(std::string_view day) {
    int y = 0, m = 0, d = 0;
    if (day.size() != 10 || !ParseDate(day, y, m, d))
        return std::nullopt;
    const auto ms = LocalMidnight(y, m, d);
    if (!ms)
        return std::nullopt;
    return FromUnixMillis(*ms);
}

std::optional<SystemTime> LocalDayEnd(std::string_view day) {
    int y = 0, m = 0, d = 0;
    if (day.size() != 10 || !ParseDate(day, y, m, d))
        return std::nullopt;
    int64_t ny = 0;
    unsigned nm = 0;
    unsigned nd = 0;
    CivilFromDays(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + 1, ny, nm, nd);
    const auto ms = LocalMidnight(static_cast<int>(ny), static_cast<int>(nm), static_cast<int>(nd));
    if (!ms)
        return std::nullopt;
    return FromUnixMillis(*ms);
}

std::string LocalToday() {
    return LocalDayOf(std::chrono::system_clock::now());
}

const std::string& LocalDayCache::DayOf(int64_t unixMillis) {
    if (unixMillis >= dayBegin_ && unixMillis < dayEnd_)
        return day_;
    const auto tm = LocalTm(FloorDiv(unixMillis, 1000));
    if (!tm) {
        day_.clear();
        dayBegin_ = 1;
        dayEnd_ = 0;
        return day_;
    }
    day_ = DayText(tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday);
    const auto begin = LocalDayStart(day_);
    const auto end = LocalDayEnd(day_);
    if (begin && end) {
        dayBegin_ = UnixMillis(*begin);
        dayEnd_ = UnixMillis(*end);
    } else {
        dayBegin_ = 1;
        dayEnd_ = 0;
    }
    return day_;
}

} // namespace varnet

// Times as the results store and the run journal write them, and the local
// calendar days the yield figures are grouped by.
//
// UTC texts are ISO 8601 with milliseconds and a "Z" ("2026-12-10T16:57:03.123Z"):
// fixed width for years 0000-9999, so they sort as they compare. Parsing
// accepts what the formatter writes plus any number of fraction digits (cut to
// milliseconds) and a "+HH:MM"/"-HH:MM" offset; anything else is refused, never
// guessed. Days are the station's local calendar days ("YYYY-MM-DD"), because a
// shift ends at the local midnight, not at UTC's.
//
// Pure functions, safe from any thread (local time through localtime_r/mktime).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

using SystemTime = std::chrono::system_clock::time_point;

// Milliseconds since 1970-01-01T00:00:00Z, floored (times before 1970 too).
int64_t UnixMillis(SystemTime time);
SystemTime FromUnixMillis(int64_t millis);

std::string FormatUtcMillis(SystemTime time);
std::optional<SystemTime> ParseUtcMillis(std::string_view text);

// "YYYY-MM-DD" of the local day the instant falls on.
std::string LocalDayOf(SystemTime time);
// The first instant of a local day given as "YYYY-MM-DD"; nullopt for any
// other text or an impossible date.
std::optional<SystemTime> LocalDayStart(std::string_view day);
// The first instant of the local day after it.
std::optional<SystemTime> LocalDayEnd(std::string_view day);
std::string LocalToday();

// Finds the local day of many instants quickly: remembers the bounds of the
// last day it looked up (a query's runs come in time order). Not thread-safe.
class LocalDayCache {
public:
    const std::string& DayOf(int64_t unixMillis);

private:
    int64_t dayBegin_ = 1;
    int64_t dayEnd_ = 0;
    std::string day_;
};

} // namespace varnet

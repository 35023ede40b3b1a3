// Run records for the results tests: a finished run with every field set,
// and a terse builder for the many runs a yield figure needs.
#pragma once

#include "engine/port_run_record.h"
#include "results/utc_time.h"

#include <optional>
#include <string>

namespace varnet::test {

// 2026-12-10T08:00:00.000Z plus minutes.
SystemTime At(int minutes);

// A finished run of a drive at a station, started at At(minute), one minute long.
PortRunRecord FinishedRun(const std::string& runId, const std::string& station, const std::string& serial,
                          const char* verdict, int minute, int port = 1);

// Every field set, texts that need escaping included.
PortRunRecord FullRecord();

// The local time zone for one test, from a POSIX TZ rule (no zone database
// needed), put back afterwards.
class LocalZone {
public:
    explicit LocalZone(const char* rule);
    ~LocalZone();
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    std::optional<std::string> old_;
};

} // namespace varnet::test

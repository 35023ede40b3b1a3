#include "results/stored_run_row.h"

#include "results/utc_time.h"

#include <string_view>

namespace varnet {
namespace {

SystemTime TimeOf(std::string_view text) {
    const auto time = ParseUtcMillis(text);
    return time ? *time : SystemTime{};
}

} // namespace

StoredRun ReadStoredRun(const SqliteStatement& row, int first) {
    StoredRun run;
    PortRunRecord& r = run.record;
    int column = first;
    const auto text = [&] { return std::string(row.Text(column++)); };
    const auto number = [&] { return row.Int(column++); };
    r.runId = text();
    r.station = text();
    r.port = static_cast<int>(number());
    r.drive = static_cast<int32_t>(number());
    r.interfacePath = text();
    r.model = text();
    r.firmware = text();
    r.driveSerial = text();
    r.serial = text();
    r.flashId = text();
    r.verdict = text();
    r.errorCode = text();
    r.errorMessage = text();
    r.text = text();
    r.reportPath = text();
    r.auxReportPath = text();
    r.startedAt = TimeOf(row.Text(column++));
    r.endedAt = TimeOf(row.Text(column++));
    r.durationMs = number();
    r.host = text();
    r.stationFile = text();
    run.state = text();
    run.attempt = number();
    return run;
}

} // namespace varnet

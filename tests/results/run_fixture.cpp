#include "run_fixture.h"

#include <cstdlib>
#include <ctime>

namespace varnet::test {

SystemTime At(int minutes) {
    return *ParseUtcMillis("2026-12-10T08:00:00.000Z") + std::chrono::minutes(minutes);
}

PortRunRecord FinishedRun(const std::string& runId, const std::string& station, const std::string& serial,
                          const char* verdict, int minute, int port) {
    PortRunRecord r;
    r.runId = runId;
    r.station = station;
    r.port = port;
    r.drive = port + 1;
    r.serial = serial;
    r.flashId = "98 3C 98 B3 76 72";
    r.verdict = verdict;
    r.startedAt = At(minute);
    r.endedAt = At(minute + 1);
    r.durationMs = 60000;
    r.host = "station-1";
    r.stationFile = station + ".ini";
    return r;
}

PortRunRecord FullRecord() {
    PortRunRecord r;
    r.runId = "6f1c2b1e-8d4a-4c1b-9f3e-2a7d5c9b0e11";
    r.station = "04_MP";
    r.port = 17;
    r.drive = 3;
    r.interfacePath = "/dev/disk/by-id/usb-Gen_Disk_0001-0:0";
    r.model = "SSD \"Pro\" 512G";
    r.firmware = "FW\\1.02";
    r.driveSerial = "DS0001";
    r.serial = "SN2026120001";
    r.flashId = "98 3C 98 B3 76 72";
    r.verdict = "Fail";
    r.errorCode = "0x2F";
    r.errorMessage = "坏块超限\ttab";
    r.text = "           Fail!\r\nCode 0x2F\u0001";
    r.reportPath = "./Log/20261210/04_MP/Report_SN2026120001_1.txt";
    r.auxReportPath = "";
    r.startedAt = *ParseUtcMillis("2026-12-10T16:57:03.123Z");
    r.endedAt = *ParseUtcMillis("2026-12-10T16:58:04.456Z");
    r.durationMs = 61333;
    r.host = "line2-st04";
    r.stationFile = "04_MP.ini";
    return r;
}

LocalZone::LocalZone(const char* rule) {
    if (const char* old = std::getenv("TZ"))
        old_ = old;
    ::setenv("TZ", rule, 1);
    ::tzset();
}

LocalZone::~LocalZone() {
    if (old_)
        ::setenv("TZ", old_->c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace varnet::test

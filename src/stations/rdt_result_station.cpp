// 03_RDTResult: has the device library read a drive's burn-in log into a
// report, reads the report into the port's record and list, judges it, and
// shows bad-block, fail and temperature figures. The verdict texts are shared
// with 06_ICT, which collects the drive's built-in test the same way.
#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/port_spec_file.h"
#include "reports/rdt_pass.h"
#include "reports/rdt_report.h"
#include "stations/burn_in_log.h"
#include "stations/log_tree.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <optional>
#include <string>
#include <system_error>

namespace varnet {

bool ReadLogReport(const StationRun& run) {
    const PortReport port = run.Report();
    port.SetReadProgress(0);
    const std::optional<std::string> text = ReadWholeFile(run.Result().reportPath);
    if (!text)
        return false;
    ReadRdtReportText(*text, run.Context(), port);
    return true;
}

void ShowLogVerdict(const StationRun& run, bool passed, bool libraryOk) {
    MainPage& page = run.page;
    ST_PORT_RESULT& r = run.Result();
    run.CompleteProgress();
    const char* prefix = page.resultPrefix.c_str();
    const char* temperature = r.maxTemperature.c_str();
    const bool chinese = page.uiLanguage() == 1;
    if (passed) {
        run.SetStatus(Format(chinese ? "%sPass!\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n"
                                       "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\n温度: %s"
                                     : "%sPass!\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n"
                                       "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\nTemp: %s",
                             prefix, r.earlyBadTotal, r.laterBadTotal, r.allBadTotal, r.eraseFailTotal,
                             r.programFailTotal, r.readFailTotal, temperature),
                      kTilePass, page.tileFontSize, false);
    } else {
        // Only a library failure has a code of its own to show; a drive the
        // pass rule refused (or whose report is missing) shows "Fail!", even
        // when the library put something into its buffer on success. A code
        // that does not start with an ASCII character is not a code.
        const std::string_view rawCode = FieldText(r.errorCode);
        const bool hasCode = !libraryOk && !rawCode.empty() && static_cast<unsigned char>(rawCode[0]) <= 0x7F;
        std::string line = "Fail!";
        if (hasCode)
            line = run.ErrorCode();
        else
            r.failFlag = 1;
        run.SetStatus(Format(chinese ? "%s%s\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n"
                                       "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\n温度: %s"
                                     : "%s%s\r\nEarly Bad: %d\r\nLater Bad: %d\r\nTotal Bad: %d\r\n"
                                       "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\nTemp: %s",
                             prefix, line.c_str(), r.earlyBadTotal, r.laterBadTotal, r.allBadTotal,
                             r.eraseFailTotal, r.programFailTotal, r.readFailTotal, temperature),
                      run.HasDrive() ? kTileFail : kTileIdle, page.tileFontSize, false);
    }
    run.ShowProgress();
    run.SetAction(PORT_DONE);
}

void RunRdtResult(MainPage& page, int port, bool relax) {
    if (port < 0 || port >= kPortCount)
        return;
    StationRun run(page, port);
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path folder =
        *StationLogFolder(page.appDir(), page.logDateFolder(), kStationRdtResult);
    (void)EnsureFolder(folder);
    const std::string rdtName =
        RdtRunName(FieldText(page.devices.portIdentifySerial[static_cast<size_t>(port)]), port + 1);

    std::filesystem::path portIni;
    const Status specMade = MakePortSpecFile(page.appDir(), run.configPath, port, true, relax, portIni);

    result.reportPath = (folder / LibraryReportName(rdtName)).string();
    std::error_code ignored;
    std::filesystem::remove(result.reportPath, ignored);
    // A failure shows this run's code only, never one a previous run left.
    SetFieldText(result.errorCode, "");
    SetFieldText(result.errorMessage, "");

    // Without its spec file the library would judge the log by no specs (or,
    // relaxed, by the real ones), so the log is not read at all.
    const bool burnInFirmware = result.inRdtFirmware == 1;
    bool ok = false;
    if (!specMade.ok()) {
        SetFieldText(result.errorMessage, specMade.message());
    } else {
        const MpLibrary::Call call = run.LibraryCall(folder, rdtName, portIni);
        ok = burnInFirmware ? page.library().ReadRdtLog(call) : page.library().ReadRdtBadLog(call);
    }
    page.tiles.SetProgress(port, 95);
    const bool reportRead = ReadLogReport(run);

    // A drive off the burn-in firmware was judged by the library. On the
    // burn-in firmware the pass rule judges this run's report, and a missing
    // report is no pass: the record would still hold an earlier run's counts.
    const bool passed = ok && (!burnInFirmware || (reportRead && IsRdtPass(result, run.Context())));
    ShowLogVerdict(run, passed, ok);
}

} // namespace varnet

// 03_RDTResult: has the device library read a drive's burn-in log into a
// report, reads the report into the port's record and list, judges it, and
// shows bad-block, fail and temperature figures. The verdict texts are shared
// with 06_ICT, which collects the drive's built-in test the same way.
#include "platform/diagnostic_log.h"
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

ReportRead ReadLogReport(const StationRun& run) {
    return ReadRdtReport(run.Result().reportPath, run.Context(), run.Report());
}

void ShowLogVerdict(const StationRun& run, bool passed, bool libraryOk, std::string_view reportProblem) {
    ST_PORT_RESULT& r = run.Result();
    run.CompleteProgress();
    const char* prefix = run.env.resultPrefix.c_str();
    const char* temperature = r.maxTemperature.c_str();
    const bool chinese = run.env.uiLanguage == 1;
    if (passed) {
        run.ShowStatus(Format(chinese ? "%sPass!\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n"
                                        "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\n温度: %s"
                                      : "%sPass!\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n"
                                        "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\nTemp: %s",
                              prefix, r.earlyBadTotal, r.laterBadTotal, r.allBadTotal, r.eraseFailTotal,
                              r.programFailTotal, r.readFailTotal, temperature),
                       kTilePass, false);
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
        std::string text;
        if (reportProblem.empty()) {
            text = Format(chinese ? "%s%s\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n"
                                    "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\n温度: %s"
                                  : "%s%s\r\nEarly Bad: %d\r\nLater Bad: %d\r\nTotal Bad: %d\r\n"
                                    "EraseFail: %d\r\nProgFail: %d\r\nReadFail: %d\r\nTemp: %s",
                          prefix, line.c_str(), r.earlyBadTotal, r.laterBadTotal, r.allBadTotal,
                          r.eraseFailTotal, r.programFailTotal, r.readFailTotal, temperature);
        } else {
            // The record holds no figures of this drive (zeros, or an earlier
            // run's): the reason stands where they would.
            const std::string problem(reportProblem);
            if (libraryOk)
                SetFieldText(r.errorMessage, problem);
            text = Format("%s%s\r\n%s", prefix, line.c_str(), problem.c_str());
        }
        run.ShowStatus(text, run.HasDrive() ? kTileFail : kTileIdle, false);
    }
    run.ShowProgress();
    run.SetAction(PORT_DONE);
}

PortOutcome RunRdtResult(PortContext& context, bool relax) {
    StationRun run(context);
    const int port = run.port;
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path folder =
        *StationLogFolder(run.env.appDir, run.env.logDateFolder, kStationRdtResult);
    run.EnsureRunFolder(folder);
    // The log is the drive's own, named by the serial number identify read.
    run.outcome.serial = std::string(run.IdentifySerial());
    const std::string rdtName = RdtRunName(run.outcome.serial, port + 1);

    std::filesystem::path portIni;
    const Status specMade = MakePortSpecFile(run.env.appDir, run.configPath, port, true, relax, portIni);

    const std::filesystem::path report = run.ClaimReport(folder, LibraryReportName(rdtName));
    result.reportPath = report.string();
    std::error_code ignored;
    std::filesystem::remove(report, ignored);
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
        const MpLibrary::Call call = run.LibraryCall(report.parent_path(), rdtName, portIni);
        ok = burnInFirmware ? run.Library().ReadRdtLog(call) : run.Library().ReadRdtBadLog(call);
    }
    run.SetProgress(95);
    const std::string problem = ReportProblem(JudgedReport::kBurnInLog, ReadLogReport(run));

    // A drive off the burn-in firmware was judged by the library, on the
    // burn-in firmware the pass rule judges this run's report. Either way
    // the verdict shows the report's counts, and a report without them is no
    // pass: the record would show zeros, or an earlier run's counts, as this
    // drive's.
    const bool passed = ok && problem.empty() && (!burnInFirmware || IsRdtPass(result, run.Context()));
    ShowLogVerdict(run, passed, ok, problem);
    return run.outcome;
}

} // namespace varnet

#include "reports/port_result.h"
#include "reports/report_context.h"

#include "reports/progress_record.h"

namespace varnet {

void ResetPortResult(ST_PORT_RESULT& r) {
    r.failFlag = 0;
    r.diePerFlash = 0;
    r.planeCount = 0;
    r.totalBad = {};
    r.earlyBad = {};
    r.laterBad = {};
    r.laterBadPerDie = {};
    r.sparePerCE = {};
    r.earlyBadTotal = r.laterBadTotal = r.allBadTotal = 0;
    r.eraseFailTotal = r.programFailTotal = r.readFailTotal = 0;
    r.spareTotal = 0;
    r.maxBadPerPlane = 0;
    r.maxBadTotal = 0;
    r.badBlockLoaded = 0;
    r.rdtFwVersion.clear();
    r.tlcLoop = r.slcLoop = r.eccThreshold = r.slcEccThreshold = 0;
    r.maxLaterBad = r.maxEraseFail = r.maxProgramFail = r.maxReadFail = 0;
    r.enableMaxFail = 0;
    r.retentionMark = 0;
    r.retentionTest = 0;
    r.speedFailMask = 0;
    r.maxTemperature.clear();
    r.ispFwVersion.clear();
    r.stationName.clear();
    r.processTime.clear();
}

bool IsValidFlashId(const std::array<uint8_t, 8>& id) {
    return id[0] != 0x00 && id[0] != 0xFF && id[0] != id[1];
}

bool ReportContext::CeInScope(int ce) const {
    if (enableCeMask == 0 || testStationSel == 2)
        return true;
    return ce >= 0 && ce < 32 && ((setCeMask >> ce) & 1u) != 0;
}

void PortReport::SetReadProgress(int32_t percent) const {
    if (readProgress)
        SetProgressValue(*readProgress, percent);
}

} // namespace varnet

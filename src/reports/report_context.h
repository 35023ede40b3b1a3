// What the report readers need of the main page: the CE restriction and
// station of the active configuration, the interface language, and the port's
// record, list and read progress they fill.
#pragma once

#include "reports/port_result.h"

#include <cstdint>

namespace varnet {

struct ReportContext {
    uint8_t enableCeMask = 0;   // EnableCEMask of the active configuration
    uint32_t setCeMask = 0;     // SetCEMask
    uint8_t testStationSel = 0; // TestStationSel
    int uiLanguage = 0;

    // A CE counts when no CE mask is in force, at the RDT result station, or
    // when its bit of the mask is set.
    bool CeInScope(int ce) const;
};

// The port a reader fills. readProgress points at the port's
// ProgressRecord::readProgress (may be null); it is written with relaxed
// atomics, as other threads read it while the reader runs.
struct PortReport {
    ST_PORT_RESULT& result;
    BadBlockList& badBlocks;
    int32_t* readProgress = nullptr;

    void SetReadProgress(int32_t percent) const;
};

} // namespace varnet

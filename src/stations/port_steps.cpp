#include "stations/port_steps.h"

#include "stations/station_steps.h"

namespace varnet {
namespace {

// The worker's collection judges by the configured limits.
PortOutcome CollectRdtResult(PortContext& context) {
    return RunRdtResult(context, false);
}

} // namespace

PortSteps DefaultPortSteps() {
    PortSteps steps;
    steps.identify = &IdentifyPort;
    steps.eraseAll = &EraseAllStation;
    steps.rdtStart = &RunRdtStart;
    steps.rdtResult = &CollectRdtResult;
    steps.mp = &MpStation;
    steps.remp = &ReMpStation;
    steps.ict = &RunIct;
    steps.updateFw = &UpdateFwStation;
    steps.scanBad = &ScanBadStation;
    return steps;
}

} // namespace varnet

// The steps a port's run calls, one per port action code. Each runs on the
// port's worker thread (or a result page's loader), touches only its own
// port's records and tile through its context, and leaves the port at
// PORT_READY or PORT_DONE. None reports failure upward: the verdict is on the
// tile and in the port's record.
#pragma once

#include "stations/port_context.h"

namespace varnet {

PortOutcome IdentifyPort(PortContext& context);
// The flash-ID readout alone, into the caller's record (settings editor).
void ReadAllFlashId(PortContext& context, ST_PORT_RESULT& record);
PortOutcome EraseAllStation(PortContext& context);
PortOutcome RunRdtStart(PortContext& context);
// The burn-in result collection; relax (the result page's own collection)
// sets the bad-block limits of the port's spec file to "9999".
PortOutcome RunRdtResult(PortContext& context, bool relax);
PortOutcome MpStation(PortContext& context);
PortOutcome ReMpStation(PortContext& context);
PortOutcome RunIct(PortContext& context);
PortOutcome UpdateFwStation(PortContext& context);
PortOutcome ScanBadStation(PortContext& context);

} // namespace varnet

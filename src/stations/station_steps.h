// The steps a port worker runs, one per port action code. Each runs on the
// port's worker thread, touches only its own port's records and tile, and
// leaves the port at PORT_READY or PORT_DONE.
#pragma once

#include "reports/port_result.h"

namespace varnet {

class MainPage;

void IdentifyPort(MainPage& page, int port);
// The flash-ID readout alone, into the caller's record (settings editor).
void ReadAllFlashId(MainPage& page, int port, ST_PORT_RESULT& record);
void EraseAllStation(MainPage& page, int port);
void RunRdtStart(MainPage& page, int port);
// The burn-in result collection; relax (the result page's own collection)
// sets the bad-block limits of the port's spec file to "9999".
void RunRdtResult(MainPage& page, int port, bool relax);
void MpStation(MainPage& page, int port);
void ReMpStation(MainPage& page, int port);
void RunIct(MainPage& page, int port);
void UpdateFwStation(MainPage& page, int port);
void ScanBadStation(MainPage& page, int port);

} // namespace varnet

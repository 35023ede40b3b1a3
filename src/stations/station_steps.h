// The steps a port worker runs, one per port action code. Each runs on the
// port's worker thread, touches only its own port's records and tile, and
// leaves the port at PORT_READY or PORT_DONE.
#pragma once

#include "reports/port_result.h"

#include <string_view>

namespace varnet {

class MainPage;

void IdentifyPort(MainPage& page, int port);
// The flash-ID readout alone, into the caller's record (settings editor).
void ReadAllFlashId(MainPage& page, int port, ST_PORT_RESULT& record);
void EraseAllStation(MainPage& page, int port);
void RunRdtStart(MainPage& page, int port);
// The burn-in result collection; relax loosens the limits for the result
// page's own collection.
void RunRdtResult(MainPage& page, int port, std::string_view text, bool relax = false);
void MpStation(MainPage& page, int port);
void ReMpStation(MainPage& page, int port);
void RunIct(MainPage& page, int port);
void UpdateFwStation(MainPage& page, int port);
void ScanBadStation(MainPage& page, int port);

} // namespace varnet

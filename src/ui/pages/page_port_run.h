// A station run that a result page starts on one port by itself (the burn-in
// collection of the RDT Info page, the scan of the Bad Block Info page), and
// the copy of a finished port's record and list.
//
// The run is counted like any run the main page starts (MainPage::RunPort):
// the port holds the station's code, so Start, a tile click and the page's
// next load leave it alone; it is counted in runningPorts, the first run
// starts the run clock and locks the pages, the last one unlocks them.
//
// Every function here runs on the interface thread, the thread on which
// Start, a tile click and Refresh give ports their requests: a claim and a
// copy therefore never interleave with a new request, and a port that shows
// PORT_DONE there has no worker writing its record.
#pragma once

#include "reports/port_result.h"

#include <cstdint>
#include <memory>

namespace varnet {
class MainPage;
}

namespace varnet::ui {

// What a page shows of one port: copies, so the port may run on.
struct PortSnapshot {
    ST_PORT_RESULT record{};
    std::shared_ptr<const BadBlockList> list = std::make_shared<BadBlockList>();
};

// Takes the port for a run of `code` when it has a drive and takes
// requests; false (nothing changed) otherwise.
bool BeginPagePortRun(MainPage& page, int port, uint8_t code);

// Ends a run BeginPagePortRun began: a run cut short (the port still holds
// the station's code) ends as failed; the bookkeeping of RunPort follows.
void EndPagePortRun(MainPage& page, int port, uint8_t code);

// The port's record and list, when the port is finished (PORT_DONE and no
// run accounted to it); nothing otherwise.
bool CopyFinishedPort(MainPage& page, int port, PortSnapshot& snapshot);

} // namespace varnet::ui

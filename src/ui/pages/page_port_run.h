// The copy of a finished port's record and list that a result page shows.
// A page's own run on a port (the burn-in collection of the RDT Info page,
// the scan of the Bad Block Info page) is a run of that port like any other:
// MainPage::BeginPageRun, RunStepWithRecord and EndPageRun.
//
// Runs on the interface thread, the thread on which Start, a tile click and
// Refresh give ports their requests: a copy therefore never interleaves with
// a new request, and a port that shows PORT_DONE there has no worker writing
// its record.
#pragma once

#include "reports/port_result.h"

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

// The port's record and list, when the port is finished (PORT_DONE and no
// run accounted to it); nothing otherwise.
bool CopyFinishedPort(MainPage& page, int port, PortSnapshot& snapshot);

} // namespace varnet::ui

// What a result page shows of a port: the copy of a finished port's record
// and list. (A run the page starts itself is the engine's: see
// MainPage::BeginPortRun.)
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

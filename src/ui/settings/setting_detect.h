// Detect's readout as the Configuration page hears of it: the flash IDs of
// the first port with a drive, or why there are none, so the operator reads
// what actually happened ("Detect Fail!" only when no port has a drive).
//
// ReadFlashIdsForDetect runs on the GUI thread and answers exactly once,
// always later and on the GUI thread through the receiver's event queue
// (never from inside the call, so the page's Detect handler is not entered
// again while it runs); an answer still queued when the receiver goes is
// dropped with it. The query and the engine must outlive the readout.
#pragma once

#include "reports/port_result.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>

namespace varnet {
class FlashIdQuery;
class MainPage;
} // namespace varnet

namespace varnet::ui {

using FlashIdTable = std::array<std::array<uint8_t, 8>, kMaxFlashIds>;

struct DetectAnswer {
    enum Outcome {
        kRead,            // ids holds what the drive reported (none: no chip named)
        kNoDrive,         // no port has a drive
        kPortsRunning,    // ports identify or run: their drives are theirs
        kReadoutUnderWay, // another readout has not answered yet
        kQuitting,        // the program is closing: nothing to tell
    };
    Outcome outcome = kNoDrive;
    FlashIdTable ids{};
};

// query may be null (the station has none): the answer is then kQuitting,
// as a window being torn down is the only such case. closing: the window
// is closing or waiting for its runs to end.
void ReadFlashIdsForDetect(FlashIdQuery* query, MainPage& engine, bool closing, QObject* receiver,
                           std::function<void(const DetectAnswer&)> done);

} // namespace varnet::ui

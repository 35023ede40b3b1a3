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

#include "engine/flash_id_query.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace varnet {
class MainPage;
} // namespace varnet

namespace varnet::ui {

struct DetectAnswer {
    enum Outcome {
        kRead,            // ids holds what the drive reported (none: no chip named)
        kNoDrive,         // no port has a drive
        kPortsRunning,    // ports identify or run: their drives are theirs
        kReadoutUnderWay, // another readout has not answered yet
        kQuitting,        // the program is closing: nothing to tell
        kDrivesWereBusy,  // refused for a run or readout that ended as it refused
    };
    Outcome outcome = kNoDrive;
    FlashIdTable ids{};
};

// True once the program is closing: the window waits for its runs or has
// shut the station down, or the application quits.
using DetectQuitting = std::function<bool()>;

// query may be null (the station has none): the answer is then kQuitting,
// as a window being torn down is the only such case. A readout the query
// refuses is answered with what made it refuse, read as it refused: a run
// or another readout that began after the checks made here, no drive, or
// the program quitting during the wait for the run start.
void ReadFlashIdsForDetect(FlashIdQuery* query, MainPage& engine, DetectQuitting quitting, QObject* receiver,
                           std::function<void(const DetectAnswer&)> done);

// The same with the readout's start given instead of the query's own Start
// (tests start a run or another readout between the checks and the start).
using StartFlashIdReadout = std::function<std::optional<int>(FlashIdQuery::Done)>;
void ReadFlashIdsForDetect(FlashIdQuery* query, MainPage& engine, DetectQuitting quitting, QObject* receiver,
                           std::function<void(const DetectAnswer&)> done, const StartFlashIdReadout& start);

} // namespace varnet::ui

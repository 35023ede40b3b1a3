// What the engine shows on a port's tile, and the screen that shows it.
//
// The engine keeps each tile's state (PortTiles) so that every front end, the
// window and the headless runner alike, reads the same verdicts. A TileView
// is told of every change; it is called from worker threads and timers, so
// an implementation hands the work to its own thread (the window side queues
// it to the GUI thread, keeping the order of the calls).
#pragma once

#include "stations/port_tile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace varnet {

const char* TileKindName(uint8_t kind); // "Idle", "Info", "Running", "Pass", "Fail"

struct TileState {
    std::string statusText;
    uint8_t kind = kTileIdle; // the colour shown (the last kind 0-4)
    int fontSize = 0;         // tenths of a point as shown
    bool centred = true;
    int32_t shownProgress = 0; // the bar
    std::string buttonCaption;
    std::string buttonTip;
    std::string tileTip;
    std::string progressTip; // "%d%%" of the bar
};

class TileView {
public:
    virtual ~TileView() = default;
    // The whole state of one tile after a change; port 0-23.
    virtual void TileChanged(int port, const TileState& state) = 0;
};

} // namespace varnet

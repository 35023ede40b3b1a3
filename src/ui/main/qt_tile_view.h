// The engine's TileView on the window: every tile change, told from a port
// worker, a timer or a handler, is carried to the GUI thread through the
// page's GuiCallQueue and shown there in the order the engine made it. The
// engine tells a tile's changes while holding that tile's lock, so a
// worker's final verdict and an animation tick reach the tile in the order
// they happened and the last one told is the one that stays.
#pragma once

#include "engine/tile_view.h"

#include <functional>

namespace varnet::ui {

class GuiCallQueue;

class QtTileView final : public TileView {
public:
    using ShowTile = std::function<void(int port, const TileState& state)>;
    // show runs on the GUI thread.
    QtTileView(GuiCallQueue& queue, ShowTile show);

    void TileChanged(int port, const TileState& state) override;

private:
    GuiCallQueue& queue_;
    ShowTile show_;
};

} // namespace varnet::ui

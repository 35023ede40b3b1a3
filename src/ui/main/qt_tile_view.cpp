#include "ui/main/qt_tile_view.h"

#include "ui/main/gui_call_queue.h"

namespace varnet::ui {

QtTileView::QtTileView(GuiCallQueue& queue, ShowTile show) : queue_(queue), show_(std::move(show)) {}

void QtTileView::TileChanged(int port, const TileState& state) {
    queue_.Post([this, port, state] { show_(port, state); });
}

} // namespace varnet::ui

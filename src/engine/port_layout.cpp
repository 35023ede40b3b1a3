#include "engine/port_layout.h"

namespace varnet {

PortLayout LayoutForSlots(int slotNumber) {
    PortLayout l;
    if (slotNumber == 24) {
        l = {24, 8, 3, 104, 23, 10, 110, 78, 80, std::string(11, ' ')};
    } else if (slotNumber == 16) {
        l = {16, 8, 2, 104, 32, 14, 170, 0, 90, std::string(11, ' ')};
    } else {
        l = {8, 4, 2, 212, 32, 14, 170, 106, 90, std::string(22, ' ')};
    }
    return l;
}

TileRect TilePlace(const PortLayout& layout, int port) {
    const int height = layout.buttonHeight + layout.barHeight + layout.textHeight;
    const int column = port % layout.columns;
    const int row = port / layout.columns;
    return {8 + column * (layout.tileWidth + 4), 160 + row * (height + 6), layout.tileWidth, height};
}

} // namespace varnet

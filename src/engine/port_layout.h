// How the main page lays out 8, 16 or 24 port tiles, and the verdict
// formatting that goes with each: the font size stations pass and the
// indent of multi-line results.
#pragma once

#include <string>

namespace varnet {

struct PortLayout {
    unsigned portCount = 8;
    int columns = 4;
    int rows = 2;
    int tileWidth = 212;
    int buttonHeight = 32;
    int barHeight = 14;
    int textHeight = 170;
    int tileFontSize = 106;   // tenths of a point; 0: the tile's default
    int defaultFontSize = 90; // the tiles' own default
    std::string resultPrefix;
};

// The layout for a "SlotNumber" value: 24 and 16 as written, 8 otherwise.
PortLayout LayoutForSlots(int slotNumber);

// Tiles start 8 pixels from the left and 160 from the top, 4 apart across,
// rows a tile height plus 6 apart.
struct TileRect {
    int left, top, width, height;
};
TileRect TilePlace(const PortLayout& layout, int port);

} // namespace varnet

// A port's tile as the station running on the port sees it: the status text
// with its colour, the progress bar, the tips and the button's caption, and
// the progress record the device library raises during a call. The engine
// serves one per port over its tiles; a test may serve its own.
//
// Threads: called from the port's worker (or a result page's loader) while
// the animation and the interface thread touch the same tile; an
// implementation keeps one tile's changes in the order they were made. The
// record's two counters are read and written with atomics
// (reports/progress_record.h). Calls cannot fail.
#pragma once

#include "reports/progress_record.h"

#include <cstdint>
#include <string_view>

namespace varnet {

// The background of the status field. Values above 4 change the text but
// keep the colour.
enum TileStatusKind : uint8_t {
    kTileIdle = 0,    // grey: no verdict, or a failure on a port whose drive is gone
    kTileInfo = 1,    // blue: drive identified
    kTileRunning = 2, // yellow
    kTilePass = 3,    // green
    kTileFail = 4,    // red
};

class PortTile {
public:
    // The status text, the kind's colour, a font size in tenths of a point
    // (0 or less: the tile's default) and the alignment.
    virtual void SetStatus(std::string_view text, uint8_t kind, int fontSize, bool centred) = 0;
    virtual void SetProgress(int32_t percent) = 0;
    // The bar follows the progress value.
    virtual void ShowProgress() = 0;
    virtual void SetTileTip(std::string_view text) = 0;
    virtual void SetButtonTip(std::string_view text) = 0;
    virtual void SetButtonCaption(std::string_view text) = 0;
    // Lives as long as the tile; the library writes `progress` through a
    // pointer during its calls.
    virtual ProgressRecord& Progress() = 0;

protected:
    ~PortTile() = default;
};

} // namespace varnet

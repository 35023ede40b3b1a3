#include "report_common.h"
#include "report_writers.h"

#include "platform/text_format.h"

namespace varnet::sim {

std::string EraseReportText(const DriveState& state, int testStationSel, uint32_t ceMask,
                            std::string_view mode, int callMs, std::string_view failMessage) {
    const FlashGeometry& flash = state.flash;
    const BlockCounts early = CountBlocks(OriginalBadBlocks(state), flash.planes);
    const BlockCounts later = CountBlocks(LaterBadBlocks(state), flash.planes);
    const std::vector<int> ces = ReportedCes(flash, ceMask);

    ReportLines out;
    out.Add("[General Info]");
    out.Add("Station: " + StationLabel(testStationSel));
    out.Add(Format("TestStationSel=%d", testStationSel));
    out.Add("ISP FW: " + state.firmware + ", Build: simulated");
    out.Add(Format("FlashNumber=%d, DiePerFlash=%d, PlanePerDie=%d,", static_cast<int>(ces.size()),
                   flash.diePerCe, flash.planes));
    out.Add("");
    out.Add("[Erase Info]");
    out.Add(Format("Do EraseAll, Mode=%.*s", static_cast<int>(mode.size()), mode.data()));
    // The reader walks forward: every early line before the first later one.
    for (const bool isEarly : {true, false}) {
        const BlockCounts& counts = isEarly ? early : later;
        for (const int ce : ces) {
            for (int die = 0; die < flash.diePerCe && die < kReportDies; ++die) {
                out.Add(Format("CENo_%d/Die_%d-> %s Bad Count: ", ce, die, isEarly ? "Early" : "Later") +
                        PlaneList(counts[static_cast<size_t>(ce)][static_cast<size_t>(die)], flash.planes));
            }
        }
    }
    out.Add(Format("Process Total take(sec): %d.%d", callMs / 1000, callMs % 1000 / 100));
    if (!failMessage.empty())
        out.Add("[ Fail ]  Error Message : " + std::string(failMessage));
    return out.Take();
}

} // namespace varnet::sim

#include "report_common.h"
#include "report_writers.h"

#include "platform/text_format.h"

#include <algorithm>

namespace varnet::sim {
namespace {

const char* ScanLabel(FailKind kind) {
    switch (kind) {
    case FailKind::Erase:
        return "Erase";
    case FailKind::Program:
        return "Program";
    case FailKind::ReadUncorrectable:
    case FailKind::ReadOverThreshold:
        return "Read";
    }
    return "Read";
}

const char* ScanRemark(FailKind kind) {
    switch (kind) {
    case FailKind::Erase:
        return "Erase fail";
    case FailKind::Program:
        return "Program fail";
    case FailKind::ReadUncorrectable:
        return "UECC";
    case FailKind::ReadOverThreshold:
        return "ECC over threshold";
    }
    return "";
}

} // namespace

std::string ScanReportText(const DriveState& state, std::string_view firmwareImage, int callMs) {
    const FlashGeometry& flash = state.flash;
    const std::vector<BadBlock> original = OriginalBadBlocks(state);
    const std::vector<BadBlock> later = LaterBadBlocks(state);
    const BlockCounts earlyCounts = CountBlocks(original, flash.planes);
    const BlockCounts laterCounts = CountBlocks(later, flash.planes);
    // The firmware's spare budget: 2.5 % of a plane's blocks, at least 4.
    const int maxBadPerPlane = std::max(4, flash.blocksPerPlane / 40);

    ReportLines out;
    out.Add("Scan Bad Block");
    out.Add("ISP FW: " + state.firmware + ", Image: " + std::string(firmwareImage));
    out.Add(
        Format("FlashNumber=%d, DiePerFlash=%d, PlanePerDie=%d,", flash.ce, flash.diePerCe, flash.planes));
    out.Add(Format("Total Block Per CE: %d", flash.BlocksPerDie() * flash.diePerCe));
    out.Add(Format("MaxBad_perPlane/Die=%d,", maxBadPerPlane));
    for (const int ce : ReportedCes(flash, 0)) {
        for (int die = 0; die < flash.diePerCe && die < kReportDies; ++die) {
            const size_t c = static_cast<size_t>(ce);
            const size_t d = static_cast<size_t>(die);
            out.Add("==========");
            out.Add(Format("CENo_%d(Phy:%d)/Die_%d", ce, ce, die));
            out.Add("EarlyBad Count: " + PlaneList(earlyCounts[c][d], flash.planes) + ",");
            out.Add("LaterBad Count: " + PlaneList(laterCounts[c][d], flash.planes) + ",");
            std::array<std::array<int, 3>, kReportPlanes> fails{}; // erase, program, read
            std::vector<std::string> lines;
            for (const BadBlock& b : original) {
                if (b.ce == ce && b.die == die)
                    lines.push_back(Format("Early_%d (Factory)", b.block));
            }
            for (const BadBlock& b : later) {
                if (b.ce != ce || b.die != die)
                    continue;
                const size_t kind = b.kind == FailKind::Erase ? 0 : b.kind == FailKind::Program ? 1 : 2;
                ++fails[static_cast<size_t>(b.block % flash.planes)][kind];
                lines.push_back(Format("%s_%d (%s)", ScanLabel(b.kind), b.block, ScanRemark(b.kind)));
            }
            for (int p = 0; p < flash.planes && p < kReportPlanes; ++p) {
                const auto& f = fails[static_cast<size_t>(p)];
                out.Add(Format("<Plane%d> Erase=%d;Program=%d;Read=%d>", p, f[0], f[1], f[2]));
            }
            out.Add(Format("All Bad Block Count=%zu", lines.size()));
            for (const std::string& line : lines)
                out.Add(line);
        }
    }
    out.Add("==========");
    out.Add(Format("Process Total take(sec): %d.%d", callMs / 1000, callMs % 1000 / 100));
    return out.Take();
}

} // namespace varnet::sim

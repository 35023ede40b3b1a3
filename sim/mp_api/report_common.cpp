#include "report_common.h"

#include "config/station_names.h"
#include "platform/file_io.h"
#include "platform/text_format.h"

namespace varnet::sim {

BlockCounts CountBlocks(const std::vector<BadBlock>& blocks, int planes) {
    BlockCounts counts{};
    for (const BadBlock& b : blocks) {
        const int plane = b.block % planes;
        if (b.ce >= 0 && b.ce < kReportCes && b.die >= 0 && b.die < kReportDies && plane < kReportPlanes)
            ++counts[static_cast<size_t>(b.ce)][static_cast<size_t>(b.die)][static_cast<size_t>(plane)];
    }
    return counts;
}

std::string StationLabel(int testStationSel) {
    const int index = ((testStationSel % 8) + 8) % 8;
    const std::string_view name = kPresetStationNames[static_cast<size_t>(index)];
    return Format("%02d_%.*s", index + 1, static_cast<int>(name.size()), name.data());
}

std::string PlaneList(const std::array<int, kReportPlanes>& counts, int planes) {
    std::string text;
    for (int p = 0; p < planes && p < kReportPlanes; ++p)
        text += Format("%sPlane%d=%d", p > 0 ? ", " : "", p, counts[static_cast<size_t>(p)]);
    return text;
}

std::vector<int> ReportedCes(const FlashGeometry& flash, uint32_t ceMask) {
    std::vector<int> ces;
    for (int ce = 0; ce < flash.ce && ce < kReportCes; ++ce) {
        if (ceMask == 0 || ((ceMask >> ce) & 1u) != 0)
            ces.push_back(ce);
    }
    return ces;
}

Status WriteReport(const std::filesystem::path& file, std::string_view text) {
    const Status written = WriteFileAtomically(file, text);
    if (!written.ok())
        return Status::Error(
            Format("cannot write the report %s: %s", file.c_str(), written.message().c_str()));
    return written;
}

} // namespace varnet::sim

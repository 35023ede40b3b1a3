// What every report the library writes shares: CRLF lines, bad-block counts
// per CE, die and plane, the station label, and how a report reaches the disk
// (whole, replacing any earlier one, so a reader never sees half of it).
#pragma once

#include "drive_state.h"
#include "platform/status.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnet::sim {

inline constexpr int kReportCes = 32;
inline constexpr int kReportDies = 8;
inline constexpr int kReportPlanes = 4;

using BlockCounts = std::array<std::array<std::array<int, kReportPlanes>, kReportDies>, kReportCes>;

BlockCounts CountBlocks(const std::vector<BadBlock>& blocks, int planes);

class ReportLines {
public:
    void Add(std::string_view line) {
        text_ += line;
        text_ += "\r\n";
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

// "01_EraseAll" ... "08_ScanBad" for station indexes 0-7 (others wrap).
std::string StationLabel(int testStationSel);

// "Plane0=3, Plane1=0" for the planes of one die.
std::string PlaneList(const std::array<int, kReportPlanes>& counts, int planes);

// Every CE the report covers: all of the drive's, or those of a nonzero mask.
std::vector<int> ReportedCes(const FlashGeometry& flash, uint32_t ceMask);

Status WriteReport(const std::filesystem::path& file, std::string_view text);

} // namespace varnet::sim

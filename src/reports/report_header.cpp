#include "reports/report_header.h"

#include "config/station_names.h"
#include "reports/report_text.h"

namespace varnet {
namespace {
constexpr std::string_view kFailMessage = "[ Fail ]  Error Message :";
constexpr std::string_view kIspFw = "ISP FW: ";
constexpr std::string_view kStation = "Station:";
} // namespace

uint8_t StationSelByte(int32_t testStationSel) {
    return static_cast<uint8_t>(static_cast<uint32_t>(testStationSel) & 0xFFu);
}

void ReadReportHeader(std::string_view text, uint8_t testStationSel, ST_PORT_RESULT& r) {
    r.failFlag = FindFrom(text, kFailMessage, 0) != kNotFound ? 1 : 0;
    if (const size_t i = FindFrom(text, kIspFw, 0); i != kNotFound) {
        const size_t comma = FindFrom(text, ",", i);
        if (comma != kNotFound && comma - i > kIspFw.size())
            r.ispFwVersion =
                std::string(TrimWhite(text.substr(i + kIspFw.size(), comma - i - kIspFw.size())));
    }
    r.testStationSel = testStationSel;
    // The preset names, whatever the station-name table says: "%02d_%s".
    if (FindFrom(text, kStation, 0) != kNotFound)
        r.stationName = CompanionSectionName(testStationSel % 8);
}

} // namespace varnet

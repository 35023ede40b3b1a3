// The header every erase-count and burn-in report starts with: the failure
// message, the ISP firmware version and the station the report was made at.
#pragma once

#include "reports/port_result.h"

#include <cstdint>
#include <string_view>

namespace varnet {

// The station index as the record's byte field takes it: the low eight bits
// of the report's [General Info] TestStationSel.
uint8_t StationSelByte(int32_t testStationSel);

// failFlag from "[ Fail ]  Error Message :", ispFwVersion from "ISP FW: " up
// to the next comma, testStationSel, and stationName ("04_MP") when the
// report names a station.
void ReadReportHeader(std::string_view text, uint8_t testStationSel, ST_PORT_RESULT& r);

} // namespace varnet

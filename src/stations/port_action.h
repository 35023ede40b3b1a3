// The per-port action code that drives the whole station: what each port is
// to do, is doing or has finished.
#pragma once

#include <cstdint>
#include <optional>

namespace varnet {

enum PortAction : uint8_t {
    PORT_IDLE = 0,
    PORT_IDENTIFY = 1,
    PORT_READY = 2,
    PORT_ERASE_ALL = 5,
    PORT_RDT = 6,
    PORT_RDT_RESULT = 7,
    PORT_MP = 8,
    PORT_REMP = 9,
    PORT_ICT = 10,
    PORT_UPDATE_FW = 11,
    PORT_FLASH_ID_QUERY = 13,
    PORT_SCAN_BAD = 14,
    PORT_DONE = 16,
};

// A station run (timed, animated): 5 to 11 and 14.
constexpr bool IsStationCode(uint8_t code) {
    return (code >= PORT_ERASE_ALL && code <= PORT_UPDATE_FW) || code == PORT_SCAN_BAD;
}

// A port may be given a new request only when it is not busy.
constexpr bool AcceptsRequest(uint8_t code) {
    return code == PORT_IDLE || code == PORT_READY || code == PORT_DONE;
}

// The request for station index 0-7 (TestStationSel); none for any other.
constexpr std::optional<uint8_t> StationRequest(int stationIndex) {
    constexpr uint8_t kRequests[] = {PORT_ERASE_ALL, PORT_RDT, PORT_RDT_RESULT, PORT_MP,
                                     PORT_REMP,      PORT_ICT, PORT_UPDATE_FW,  PORT_SCAN_BAD};
    if (stationIndex < 0 || stationIndex > 7)
        return std::nullopt;
    return kRequests[stationIndex];
}

} // namespace varnet

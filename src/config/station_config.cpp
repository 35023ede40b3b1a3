#include "config/station_config.h"

namespace varnet {

std::string_view StationCodeFor(uint8_t station) {
    switch (station) {
    case kStationRdt:
    case kStationRdtResult:
    case kStationScanBad:
        return "PreF1";
    case kStationIct:
        return "CSB";
    default:
        return "F1";
    }
}

std::string IspKeyPrefix(std::string_view controllerType, uint8_t customerCode) {
    if (customerCode == 8)
        return {};
    if (controllerType.size() >= 10)
        return std::string(controllerType.substr(4));
    return std::string(controllerType);
}

} // namespace varnet

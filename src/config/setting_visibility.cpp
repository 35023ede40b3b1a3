#include "config/setting_visibility.h"

#include "config/station_config.h"

#include <initializer_list>

namespace varnet {
namespace {

void Add(SettingItems& items, std::initializer_list<SettingItem> list) {
    for (const SettingItem item : list)
        items.set(static_cast<size_t>(item));
}

} // namespace

SettingItems VisibleItems(int station, uint8_t customerCode, int pretestPosition) {
    using enum SettingItem;
    SettingItems items;
    switch (station) {
    case kStationEraseAll:
        Add(items, {kPretest});
        break;
    case kStationRdt:
        Add(items, {kSetTotalSize, kUsePartial, kDdrSize, kPretest, kSataSpeed, kFlashClock, kInterface,
                    kRdtCycles, kEccLimit, kFailLimits, kReadRetry, kSnGroup, kDevslp, kSataSsc, kPutThermal,
                    kHardBitRetry, kCtlOdtDriving, kRdtLed});
        break;
    case kStationRdtResult:
    case kStationIct:
        Add(items, {kDevslp, kSataSsc, kPutThermal, kHardBitRetry, kFailLimits});
        break;
    case kStationMp:
        Add(items, {kSetTotalSize, kUsePartial, kDdrSize, kPretest, kSataSpeed, kFlashClock, kInterface,
                    kSlcBuffer, kCheckRdt, kSnGroup, kDevslp, kSataSsc, kPutThermal, kHardBitRetry,
                    kCtlOdtDriving, kCloseSpeedOptimize, kWriteReadBurnIn, kSmartGroup, kDefineC7});
        if (pretestPosition == 3)
            Add(items, {kFailLimits});
        break;
    case kStationReMp:
        Add(items, {kSnGroup, kResetSmart});
        break;
    case kStationUpdateFw:
        Add(items, {kUpdateFwGroup});
        break;
    default:
        break;
    }
    // Customer-specific options, whatever the station.
    if (customerCode != 7)
        items.reset(static_cast<size_t>(kDefineC7));
    if (customerCode != 8) {
        items.reset(static_cast<size_t>(kCloseSpeedOptimize));
        items.reset(static_cast<size_t>(kRdtLed));
    }
    return items;
}

} // namespace varnet

// Which optional controls of the Configuration page a station shows. The page
// hides every optional control after a fill and shows what VisibleItems
// returns; controls outside this list ("Flash Config:" down to "CE Number:",
// the serial-number field, Save, Save As, Edit) are always shown, and the
// always-hidden ones (CH/CE map, Bin1 Flash, ...) never are.
//
// Plain function of the station index (0-7), the customer code and the
// "Pretest:" position: any thread, no failure (an unknown station shows
// nothing optional).
#pragma once

#include <bitset>
#include <cstdint>

namespace varnet {

enum class SettingItem : int {
    kPretest,
    kSetTotalSize, // the check box, its two fields and their units
    kUsePartial,
    kDdrSize,
    kSataSpeed,
    kFlashClock,
    kInterface,
    kSlcBuffer,
    kCheckRdt,
    kRdtCycles,  // the "RDT" box and the two cycle rows
    kEccLimit,   // "ECC Limit" and its two fields
    kFailLimits, // "Later Bad Limit" and the four limit lists
    kReadRetry,
    kSnGroup,
    kDevslp,
    kSataSsc,
    kPutThermal,
    kResetSmart,
    kHardBitRetry,
    kCtlOdtDriving, // its box and both pad rows
    kRdtLed,
    kCloseSpeedOptimize,
    kWriteReadBurnIn,
    kSmartGroup,
    kDefineC7,
    kUpdateFwGroup,
    kCount
};

using SettingItems = std::bitset<static_cast<size_t>(SettingItem::kCount)>;

inline bool Has(const SettingItems& items, SettingItem item) {
    return items.test(static_cast<size_t>(item));
}

// pretestPosition matters only for the MP station: position 3 ("3.Reference
// RDT Bad") brings the fail limits.
SettingItems VisibleItems(int station, uint8_t customerCode, int pretestPosition);

} // namespace varnet

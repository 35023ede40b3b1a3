// The values the Configuration page derives from its controls when it reads
// them back, the presets a change of station brings, and the edits of the
// serial-number range fields: plain functions over the record and texts.
// Any thread; nothing is owned or kept; none of them fails (a value outside
// a list gives that list's default, as the page shows it).
#pragma once

#include "config/station_config.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

// "SLC Buffer:" positions: 0 auto, 1 "0GB" ... 5 "20GB", 6 "40GB", 7 "340GB".
inline constexpr int kSlcLargestSmallEntry = 5;
inline constexpr uint32_t kSlcAutoPoolSize = 786432; // 3 GB in 4 KiB units

// MB of a "Total Size:" entry ("120GB", "1TB", "512MB"); nullopt for "*Auto*"
// or any other text, which leaves Flh_Capacity as it is.
std::optional<uint32_t> CapacityMbOfEntry(std::string_view entry);

// SLCPoolSize (4 KiB units) of an "SLC Buffer:" position.
uint32_t SlcPoolSizeOf(int position);

// The 40 GB and 340 GB entries only make sense on a drive of at least 121 GB
// whose user size is not set to 120 GB or less.
bool SlcLargeEntriesAllowed(uint32_t flhCapacityMb, uint32_t setSsdSize);

// The "SLC Buffer:" choice as a save stores it: a large pool the drive's
// sizes do not allow falls back to "*Auto*" (and the operator is told).
struct SlcChoice {
    uint32_t sel = 0;
    uint32_t size = kSlcAutoPoolSize;
    bool fellBackToAuto = false;
};
SlcChoice SlcChoiceOf(int position, uint32_t flhCapacityMb, uint32_t setSsdSize);

// A fail-limit list position: 0 is "Ignore" (stored as 255), p is p - 1.
uint8_t FailLimitOfPosition(int position);

// "Interface:" positions 0-4 stand for the bus codes 2, 3, 4, 5 and 8.
uint32_t InterfaceCodeOf(int position);
// The position of a bus code; 0 for a code not in the list.
int InterfacePositionOf(uint32_t code);

// Whether the fail limits stay usable, and are saved, while "RDT" is
// cleared. Only MP with "3.Reference RDT Bad" keeps them: its save writes
// the limits when PretestType is 3 and Byte_146 is set, so clearing them
// with "RDT" would drop a check the station still makes. Everywhere else
// "RDT" cleared clears and disables them.
bool FailLimitsKeptWithoutRdt(int station, int pretestPosition);

// PMASetting of a "Device Size:" position: mSATA and M.2 (1, 2) differ from 2.5".
uint16_t PmaSettingFor(int deviceSizePosition);

// "Bin1 Flash" (HV_Flash) and what it switches for the station and flash family.
void ApplyBin1FlashRule(ST_STATION_CONFIG& record, int station, uint8_t flashFamily);

// Check_RDT_Table, Do_Erase_First and EraseAll Type from record.PretestType,
// the station, the flash family and the maker code.
void ApplyEraseRule(ST_STATION_CONFIG& record, int station, uint8_t flashFamily, uint8_t makerCode);

// TestStation and the presets of a newly chosen station. retentionChecked is
// the page's "Retention Test" box as it stands.
void ApplyStationPresets(ST_STATION_CONFIG& record, int station, bool retentionChecked);

// The three SN range fields as the operator's choice of SN type leaves them:
// choosing Scan Input stores SN_Len asterisks in each (the numbers come from
// the scan list then); leaving Scan Input puts '0' into SN Start, '9' into
// SN End and '#' into SN Mask where an asterisk stood. The caller says which
// of the types is Scan Input.
struct SnRangeFields {
    std::string start;
    std::string end;
    std::string mask;
};
SnRangeFields SnFieldsForTypeChange(SnRangeFields fields, bool fromScanInput, bool toScanInput, int snLen);

// The three fields at a new SN_Len. The counted part is the mask's last run
// of '#': characters are added at its front ('0' to both numbers, '#' to the
// mask) or taken from there, so a fixed prefix stays where it is and the
// range keeps its values ("SN0000000001" at 14 becomes "SN000000000001").
// A mask without a '#' grows or shrinks at its end. Under Scan Input the
// fields become a new row of asterisks.
SnRangeFields SnFieldsForLength(SnRangeFields fields, int snLen, bool scanInput);

// A typed mask fixes its non-'#' characters: SN Start and SN End take them
// at the same positions. Nothing is cut, so a mask typed one character at a
// time never shortens the range.
SnRangeFields SnFieldsForMask(SnRangeFields fields);

} // namespace varnet

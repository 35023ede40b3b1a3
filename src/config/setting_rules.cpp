#include "config/setting_rules.h"

#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

namespace varnet {
namespace {

bool InRange(uint8_t value, uint8_t low, uint8_t high) {
    return value >= low && value <= high;
}

} // namespace

std::optional<uint32_t> CapacityMbOfEntry(std::string_view entry) {
    uint32_t n = 0;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), n);
    if (error != std::errc() || end == entry.data())
        return std::nullopt;
    const std::string_view unit(end, static_cast<size_t>(entry.data() + entry.size() - end));
    if (unit == "GB")
        return n * 1024u;
    if (unit == "TB")
        return n * 1048576u;
    if (unit == "MB")
        return n;
    return std::nullopt;
}

uint32_t SlcPoolSizeOf(int position) {
    switch (position) {
    case 1:
        return 0;
    case 3:
        return 1572864;
    case 4:
        return 3145728;
    case 5:
        return 5242880;
    case 6:
        return 10485760;
    case 7:
        return 89128960;
    default:
        return kSlcAutoPoolSize;
    }
}

bool SlcLargeEntriesAllowed(uint32_t flhCapacityMb, uint32_t setSsdSize) {
    return flhCapacityMb / 1024 >= 121 && (setSsdSize == 0 || setSsdSize > 120);
}

SlcChoice SlcChoiceOf(int position, uint32_t flhCapacityMb, uint32_t setSsdSize) {
    SlcChoice choice{static_cast<uint32_t>(std::max(position, 0)), SlcPoolSizeOf(position), false};
    if (position > kSlcLargestSmallEntry && !SlcLargeEntriesAllowed(flhCapacityMb, setSsdSize))
        choice = SlcChoice{0, kSlcAutoPoolSize, true};
    return choice;
}

uint8_t FailLimitOfPosition(int position) {
    return position <= 0 ? uint8_t{0xFF} : static_cast<uint8_t>(position - 1);
}

namespace {

constexpr uint32_t kInterfaceCodes[] = {2, 3, 4, 5, 8};

} // namespace

uint32_t InterfaceCodeOf(int position) {
    return kInterfaceCodes[std::clamp(position, 0, static_cast<int>(std::size(kInterfaceCodes)) - 1)];
}

int InterfacePositionOf(uint32_t code) {
    const auto* found = std::find(std::begin(kInterfaceCodes), std::end(kInterfaceCodes), code);
    return found == std::end(kInterfaceCodes) ? 0 : static_cast<int>(found - std::begin(kInterfaceCodes));
}

bool FailLimitsKeptWithoutRdt(int station, int pretestPosition) {
    return station == kStationMp && pretestPosition == 3;
}

uint16_t PmaSettingFor(int deviceSizePosition) {
    return deviceSizePosition == 1 || deviceSizePosition == 2 ? 42003 : 42035;
}

void ApplyBin1FlashRule(ST_STATION_CONFIG& record, int station, uint8_t flashFamily) {
    if (!record.HV_Flash) {
        record.High_temp_Crystal_Config = 0;
        record.Do_Software_ECC = 0;
        record.skip_BadSpec_byFW = 0;
        record.TotalBad_SpecPerDie = 0;
        record.BICS2_Ve5_RetryReadTable = 0;
        record.DoBurnInTest = 0;
        record.SkipScanBad = 0;
        return;
    }
    // Bin1 parts are burnt in at the RDT station and judged at ICT.
    const bool rdt = station == kStationRdt;
    const bool ict = station == kStationIct;
    record.High_temp_Crystal_Config = rdt ? 1 : 0;
    record.DoBurnInTest = ict ? 1 : 0;
    record.SkipScanBad = ict ? 1 : 0;
    record.skip_BadSpec_byFW = 1;
    record.BICS2_Ve5_RetryReadTable = flashFamily == 15 || flashFamily == 16 ? 1 : 0;
    record.Enable_Open_Block_Test = InRange(flashFamily, 5, 7) ? 1 : 0;
}

void ApplyEraseRule(ST_STATION_CONFIG& record, int station, uint8_t flashFamily, uint8_t makerCode) {
    const bool pairedMaker = makerCode == 0x45 && InRange(flashFamily, 15, 17);
    record.Check_RDT_Table = 0;
    record.Do_Erase_First = 0;
    record.eraseType = 0;
    if (record.PretestType == 1) {
        record.eraseType = pairedMaker ? 0x49 : 0x09;
    } else {
        if (station == kStationEraseAll || station == kStationRdt || station == kStationMp)
            record.eraseType = 0x01;
        // MP over the RDT result table erases nothing itself.
        if (record.PretestType == 3 && station == kStationMp) {
            record.Check_RDT_Table = 1;
            record.eraseType = 0;
        }
        if (pairedMaker)
            record.eraseType = 0x41;
    }
    record.Do_Erase_First = record.eraseType != 0 ? 1 : 0;
}

void ApplyStationPresets(ST_STATION_CONFIG& record, int station, bool retentionChecked) {
    SetFieldText(record.TestStation, StationCodeFor(static_cast<uint8_t>(station)));
    switch (station) {
    case kStationEraseAll:
        record.Check_RDT_Table = record.Do_BurnIn_PreTest = record.Do_Erase_First = 0;
        record.ForceToErase = record.CheckBBT = record.AfterMPDoResetSMART = 0;
        break;
    case kStationRdt:
    case kStationRdtResult:
        record.Do_RDT = 1;
        record.Check_RDT_Table = 0;
        record.Do_BurnIn_PreTest = 1;
        record.Do_Erase_First = 1;
        record.ForceToErase = record.CheckBBT = record.AfterMPDoResetSMART = 0;
        if (station == kStationRdtResult) {
            record.Retention_Test = 0;
            retentionChecked = false;
        }
        if (record.Retention_Test != 0 || retentionChecked) {
            record.Do_Erase_First = 0;
            record.eraseType = 0;
        }
        if (record.HV_Flash) {
            record.eraseType = 1;
            record.Do_Erase_First = 0;
        }
        break;
    case kStationMp:
        record.Check_RDT_Table = 1;
        record.PretestType = 0;
        break;
    case kStationReMp:
        record.Check_RDT_Table = record.Do_BurnIn_PreTest = record.ForceToErase = 0;
        record.eraseType = 0;
        record.CheckBBT = 1;
        record.Do_Erase_First = 0;
        break;
    case kStationIct:
    case kStationUpdateFw:
        record.Check_RDT_Table = record.Do_BurnIn_PreTest = record.ForceToErase = 0;
        record.eraseType = 0;
        record.CheckBBT = record.AfterMPDoResetSMART = record.Do_Erase_First = 0;
        break;
    default:
        break;
    }
}

namespace {

// Under Scan Input the numbers come from the scan list; the fields hold one
// asterisk per position.
SnRangeFields ScanInputFields(int snLen) {
    const std::string stars(static_cast<size_t>(std::max(snLen, 0)), '*');
    return {stars, stars, stars};
}

} // namespace

SnRangeFields SnFieldsForTypeChange(SnRangeFields fields, bool fromScanInput, bool toScanInput, int snLen) {
    if (toScanInput && !fromScanInput)
        return ScanInputFields(snLen);
    if (fromScanInput && !toScanInput) {
        auto replace = [](std::string& text, char with) {
            for (char& c : text)
                if (c == '*')
                    c = with;
        };
        replace(fields.start, '0');
        replace(fields.end, '9');
        replace(fields.mask, '#');
    }
    return fields;
}

namespace {

// Where the counted run starts: the first '#' of the mask's last run of them.
size_t CountedRunStart(const std::string& mask) {
    const size_t last = mask.find_last_of('#');
    if (last == std::string::npos)
        return mask.size();
    const size_t before = mask.find_last_not_of('#', last);
    return before == std::string::npos ? 0 : before + 1;
}

void ResizeAt(std::string& text, size_t at, size_t length, char fill) {
    if (text.size() < length) {
        text.insert(at, length - text.size(), fill);
        return;
    }
    const size_t excess = text.size() - length;
    text.erase(at, std::min(excess, text.size() - at));
    // A counted run shorter than the cut is gone now; the rest comes off the
    // characters in front of where it stood.
    if (text.size() > length)
        text.resize(length);
}

} // namespace

SnRangeFields SnFieldsForLength(SnRangeFields fields, int snLen, bool scanInput) {
    if (scanInput)
        return ScanInputFields(snLen);
    const size_t length = static_cast<size_t>(std::max(snLen, 0));
    // Measured from the end, so a number typed shorter than the mask still
    // grows in front of its digits.
    const size_t fromEnd = fields.mask.size() - CountedRunStart(fields.mask);
    for (auto [text, fill] : {std::pair{&fields.start, '0'}, {&fields.end, '0'}, {&fields.mask, '#'}})
        ResizeAt(*text, text->size() > fromEnd ? text->size() - fromEnd : 0, length, fill);
    return fields;
}

SnRangeFields SnFieldsForMask(SnRangeFields fields) {
    for (size_t i = 0; i < fields.mask.size(); ++i) {
        const char c = fields.mask[i];
        if (c == '#')
            continue;
        if (i < fields.start.size())
            fields.start[i] = c;
        if (i < fields.end.size())
            fields.end[i] = c;
    }
    return fields;
}

} // namespace varnet

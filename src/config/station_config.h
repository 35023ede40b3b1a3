// ST_STATION_CONFIG: the in-memory form of one station configuration file.
//
// Plain data, one field per key in the order the file's vocabulary is
// defined, cleared (value-initialised) before every load and copied whole
// between owners. Texts are zero-terminated fixed-size fields: use
// FieldText/SetFieldText (platform/text.h), which cut to size - 1. Flags are
// 0/1 bytes; numbers loaded from a file are truncated to the field's width.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace varnet {

inline constexpr int kStationCount = 8;

enum StationIndex : uint8_t {
    kStationEraseAll = 0,
    kStationRdt = 1,
    kStationRdtResult = 2,
    kStationMp = 3,
    kStationReMp = 4,
    kStationIct = 5,
    kStationUpdateFw = 6,
    kStationScanBad = 7,
};

// The nine pad drive-strength keys, in the record's order.
inline constexpr std::array<std::string_view, 9> kPadDriveKeys = {
    "PadDrive-ALE", "PadDrive-CLE", "PadDrive-WE",   "PadDrive-RE", "PadDrive-FRDY",
    "PadDrive-WP",  "PadDrive-DQS", "PadDrive-DATA", "PadDrive-CE",
};

// The twelve bad-block limit keys written as "9999" for the result-only stations.
inline constexpr std::array<std::string_view, 12> kBadBlockSpecKeys = {
    "EarlyBad_Spec",         "SLCLaterBad_Spec",    "SLCLaterBad_SpecPerPlane", "STL_LaterBad_Spec",
    "BTL_LaterBad_Spec",     "LaterBad_Spec",       "LaterBad_SpecPerPlane",    "TotalBad_SpecPerDie",
    "TotalBad_SpecPerPlane", "Total_LaterBad_Spec", "TotalLaterBad_SpecPerDie", "TotalLaterBad_SpecPerPlane",
};

struct ST_STATION_CONFIG {
    // [ConfigID]
    std::array<char, 260> ID;
    // [General Info]
    uint8_t TestStationSel;
    std::array<char, 16> TestStation;
    std::array<char, 512> WorkingNo;
    std::array<char, 512> ModelName;
    std::array<char, 64> SerialNum;
    int32_t MaxCurrent;
    // [Flash Info]
    std::array<char, 128> Flh_Type;
    std::array<char, 64> Flh_MakeCode;
    uint32_t Flh_Capacity;
    uint32_t Flh_CapacitySel;
    uint32_t Flh_Number;
    uint32_t Flh_NumberSel;
    std::array<char, 64> Flh_ID;
    std::array<uint8_t, 8> flashId; // parsed from Flh_ID
    uint32_t FlashClock;            // "Flash Clock"
    uint32_t FlashInterface;        // "Flash Interface"
    uint32_t CE_Mask;
    uint8_t makerCode; // flashId[0]
    // [Device Info]
    int32_t SATASpeed;
    std::array<char, 128> ControllerType;
    std::array<char, 128> ICFWVersion;
    std::array<char, 128> ispCodeVersion; // prefix + "ISP_CodeVersion"
    std::array<char, 512> ispMpImage;     // prefix + "ISP_MPBINCode"
    std::array<char, 512> ispRdtImage;    // prefix + "ISP_RDTBINCode"
    std::array<char, 512> UpdateFW;       // "Update FW"
    std::array<char, 128> SSDSize;        // "SSD Size"
    // [Options]
    uint8_t Do_BurnIn_PreTest;
    uint32_t DDRSize;
    uint8_t OnlyDoISP;
    uint8_t SkipBuildFAT;
    uint8_t AutoIncreseSerialNum;
    uint8_t Check_RDT_Table;
    uint8_t CheckRDTExist;
    std::array<char, 128> setSSDSizeText; // "SetSSDSize" as written
    uint32_t SetSSDSize;
    int32_t SetSSDSizeLBA;
    uint8_t UsePartialSize; // "Use Partial Size"
    uint8_t DEVSLP_Enable;
    uint8_t Put_Thermal_Sensor;
    std::array<char, 128> SetFirmwareName; // "Set Firmware Name"
    uint8_t CheckBBT;
    uint8_t AfterMPDoResetSMART;
    uint8_t DisableSmart05;
    uint8_t DisableSmartC4;
    uint8_t DisableSmartC7;
    uint8_t DisableSmartC2;
    uint8_t EnableSmartC3;
    uint8_t DefineC7_0;
    uint8_t DefineA3_PlaneBad;
    uint8_t ShowCTLTemp;
    uint8_t Skip_Check_RDDebugPage;
    uint32_t SLCPoolSize;
    uint32_t SLCPoolSizeSel;
    uint32_t infoBlock290; // [InfoBlock] Byte_290
    uint32_t infoBlock291; // [InfoBlock] Byte_291
    uint8_t Enable_Set_Custom_SMART_Temperature;
    uint32_t Set_Custom_SMART_Temperature;
    uint8_t L06B_To_B0K;
    uint8_t PretestType;
    uint8_t CloseSpeedOptimize;
    uint8_t RDTLED_StateSel;
    uint8_t PadODTEnable;
    uint8_t PadODT;
    uint8_t PadDriveEnable;
    uint8_t PadDriving;
    std::array<uint8_t, 9> padDrive; // kPadDriveKeys
    uint16_t PMASetting;
    uint8_t EnableCEMask;
    uint32_t SetCEMask;
    // [EraseAll]
    uint8_t Do_Erase_First;
    uint8_t ForceToErase; // [Options]
    uint8_t eraseType;    // [EraseAll] Type, hex
    // [Write_Read BurnIn]
    uint8_t wrBurnInEnable; // Enable
    uint32_t SetCapacity;
    uint32_t Capacity;
    // [RDT]
    uint8_t Do_RDT;
    uint8_t Enable_Set_Cycle;
    uint32_t Cycle;
    uint8_t Enable_Set_Cycle_SLC;
    uint32_t Cycle_SLC;
    uint8_t Enable_ECCthreshold_MarkBad; // [Options]
    uint32_t ECCthreshold;               // [Options] "ECC threshold"
    uint32_t SLCECCthreshold;            // [Options] "SLC ECC threshold"
    uint8_t Enable_Open_Block_Test;
    uint8_t ReadRetrySel;
    uint8_t Byte_146; // RDT fail limits enabled
    uint8_t Byte_101; // total fail limit, hex, 0xFF = ignore
    uint8_t Byte_147; // erase fail limit, hex
    uint8_t Byte_148; // program fail limit, hex
    uint8_t Byte_149; // read fail limit, hex
    uint32_t FailTotalLimitSel;
    uint32_t FailEraseLimitSel;
    uint32_t FailProgramLimitSel;
    uint32_t FailReadLimitSel;
    // [Other]
    uint8_t SATA_SSC_Enable;
    // [SN Set]
    uint8_t SN_Set;
    uint8_t SN_Type;
    uint32_t SN_Len;
    std::array<char, 64> SN_Start;
    std::array<char, 64> SN_End;
    std::array<char, 64> SN_Mask;
    // [Options]
    uint8_t HV_Flash;
    uint8_t Do_Software_ECC;
    uint8_t skip_BadSpec_byFW;
    uint8_t ScanBad_CheckByDie;
    uint8_t Do_Hard_Bit_Retry_Test;
    uint8_t Do_HB_Set;
    uint32_t TotalLaterBad_SpecPerDie;
    uint32_t TotalBad_SpecPerDie;
    uint8_t BICS2_Ve5_RetryReadTable;
    uint8_t Retention_Test;
    uint8_t DoBurnInTest;
    uint8_t SkipScanBad;
    uint8_t High_temp_Crystal_Config; // [RDT]
};

static_assert(std::is_trivially_copyable_v<ST_STATION_CONFIG>);
static_assert(std::is_standard_layout_v<ST_STATION_CONFIG>);

// The station code the device library expects for a station index: "F1",
// "PreF1" or "CSB".
std::string_view StationCodeFor(uint8_t station);

// The ISP key prefix: ControllerType without its first four characters when it
// has 10 or more, the whole text otherwise; empty for customer code 8.
std::string IspKeyPrefix(std::string_view controllerType, uint8_t customerCode);

} // namespace varnet

#include "config/station_record_reader.h"

#include "platform/ini_values.h"
#include "platform/text.h"

#include <cstring>

namespace varnet {
namespace {

class Reader {
public:
    Reader(const IniDocument& doc, const StationKeyPlacement& placement) : doc_(doc), placement_(placement) {}

    template <size_t N>
    void Text(std::array<char, N>& field, std::string_view section, std::string_view key) {
        const KeyPlace place = placement_.Where(section, key);
        SetFieldText(field, doc_.GetString(place.section, place.key, "", N));
    }
    int32_t Int(std::string_view section, std::string_view key, int32_t def) const {
        const KeyPlace place = placement_.Where(section, key);
        return doc_.GetInt(place.section, place.key, def);
    }
    // Narrowing to the field's width is the file format's rule: a flag or byte
    // holding a larger number keeps its low bits.
    template <typename T>
    void Num(T& field, std::string_view section, std::string_view key, int32_t def) const {
        field = static_cast<T>(Int(section, key, def));
    }
    uint8_t Hex(std::string_view section, std::string_view key, std::string_view def) const {
        const KeyPlace place = placement_.Where(section, key);
        return static_cast<uint8_t>(doc_.GetHex(place.section, place.key, def));
    }

private:
    const IniDocument& doc_;
    const StationKeyPlacement& placement_;
};

// A non-zero list position that disagrees with its limit follows the limit.
uint32_t CorrectedLimitPosition(uint32_t position, uint8_t limit) {
    const uint32_t expected = static_cast<uint32_t>(limit) + 1;
    return (position != 0 && position != expected) ? expected : position;
}

} // namespace

std::array<uint8_t, 8> ParseFlashIdText(std::string_view text) {
    std::array<uint8_t, 8> id{};
    for (size_t k = 0; k < id.size(); ++k) {
        const char pair[2] = {3 * k < text.size() ? text[3 * k] : '\0',
                              3 * k + 1 < text.size() ? text[3 * k + 1] : '\0'};
        id[k] = static_cast<uint8_t>(ParseHexDigits(std::string_view(pair, 2)));
    }
    return id;
}

void ReadStationRecord(const IniDocument& doc, const StationKeyPlacement& placement, ST_STATION_CONFIG& r,
                       const StationLoadOptions& options) {
    Reader in(doc, placement);
    const bool wholeFile = !placement.IsCompanion();

    // General Info, Flash Info, Device Info.
    in.Num(r.TestStationSel, "General Info", "TestStationSel", 0);
    in.Text(r.TestStation, "General Info", "TestStation");
    in.Text(r.WorkingNo, "General Info", "WorkingNo");
    in.Text(r.ModelName, "General Info", "ModelName");
    in.Text(r.SerialNum, "General Info", "SerialNum");
    in.Num(r.MaxCurrent, "General Info", "MaxCurrent", 0);
    in.Text(r.Flh_Type, "Flash Info", "Flh_Type");
    in.Text(r.Flh_MakeCode, "Flash Info", "Flh_MakeCode");
    in.Text(r.Flh_ID, "Flash Info", "Flh_ID");
    in.Num(r.Flh_Capacity, "Flash Info", "Flh_Capacity", 0);
    in.Num(r.Flh_CapacitySel, "Flash Info", "Flh_CapacitySel", 0);
    in.Num(r.Flh_Number, "Flash Info", "Flh_Number", 0);
    in.Num(r.Flh_NumberSel, "Flash Info", "Flh_NumberSel", 0);
    r.flashId = ParseFlashIdText(FieldText(r.Flh_ID));
    r.makerCode = r.flashId[0];
    in.Num(r.FlashClock, "Flash Info", "Flash Clock", 0);
    in.Num(r.FlashInterface, "Flash Info", "Flash Interface", 0);
    in.Num(r.CE_Mask, "Flash Info", "CE_Mask", 0);
    in.Num(r.SATASpeed, "Device Info", "SATASpeed", 0);
    in.Text(r.ControllerType, "Device Info", "ControllerType");
    in.Text(r.ICFWVersion, "Device Info", "ICFWVersion");
    const std::string prefix = IspKeyPrefix(FieldText(r.ControllerType), options.customerCode);
    in.Text(r.ispCodeVersion, "Device Info", prefix + "ISP_CodeVersion");
    in.Text(r.ispMpImage, "Device Info", prefix + "ISP_MPBINCode");
    in.Text(r.ispRdtImage, "Device Info", prefix + "ISP_RDTBINCode");
    in.Text(r.UpdateFW, "Device Info", "Update FW");
    in.Text(r.SSDSize, "Device Info", "SSD Size");

    // Options, Write_Read BurnIn, EraseAll.
    in.Num(r.Do_BurnIn_PreTest, "Options", "Do_BurnIn_PreTest", 0);
    in.Num(r.DDRSize, "Options", "DDRSize", 32);
    in.Num(r.OnlyDoISP, "Options", "OnlyDoISP", 0);
    in.Num(r.SkipBuildFAT, "Options", "SkipBuildFAT", 0);
    in.Num(r.AutoIncreseSerialNum, "Options", "AutoIncreseSerialNum", 0);
    in.Num(r.SetSSDSize, "Options", "SetSSDSize", 0);
    in.Text(r.setSSDSizeText, "Options", "SetSSDSize");
    in.Num(r.SetSSDSizeLBA, "Options", "SetSSDSizeLBA", 0);
    in.Num(r.UsePartialSize, "Options", "Use Partial Size", 0);
    in.Num(r.DEVSLP_Enable, "Options", "DEVSLP_Enable", 0);
    in.Num(r.Check_RDT_Table, "Options", "Check_RDT_Table", 0);
    in.Num(r.CheckRDTExist, "Options", "CheckRDTExist", 0);
    in.Num(r.Put_Thermal_Sensor, "Options", "Put_Thermal_Sensor", 0);
    in.Num(r.CheckBBT, "Options", "CheckBBT", 0);
    in.Text(r.SetFirmwareName, "Options", "Set Firmware Name");
    in.Num(r.AfterMPDoResetSMART, "Options", "AfterMPDoResetSMART", 0);
    in.Num(r.DisableSmart05, "Options", "DisableSmart05", 0);
    in.Num(r.DisableSmartC4, "Options", "DisableSmartC4", 0);
    in.Num(r.DisableSmartC2, "Options", "DisableSmartC2", 0);
    in.Num(r.DisableSmartC7, "Options", "DisableSmartC7", 0);
    in.Num(r.EnableSmartC3, "Options", "EnableSmartC3", 0);
    in.Num(r.DefineA3_PlaneBad, "Options", "DefineA3_PlaneBad", 0);
    in.Num(r.DefineC7_0, "Options", "DefineC7_0", 0);
    in.Num(r.ShowCTLTemp, "Options", "ShowCTLTemp", 0);
    in.Num(r.L06B_To_B0K, "Options", "L06B_To_B0K", 0);
    in.Num(r.Enable_Set_Custom_SMART_Temperature, "Options", "Enable_Set_Custom_SMART_Temperature", 0);
    in.Num(r.Set_Custom_SMART_Temperature, "Options", "Set_Custom_SMART_Temperature", 0);
    in.Num(r.Skip_Check_RDDebugPage, "Options", "Skip_Check_RDDebugPage", 1);
    in.Num(r.SLCPoolSize, "Options", "SLCPoolSize", 0);
    in.Num(r.SLCPoolSizeSel, "Options", "SLCPoolSizeSel", 0);
    in.Num(r.PretestType, "Options", "PretestType", 0);
    in.Num(r.PadODTEnable, "Options", "PadODTEnable", 0);
    in.Num(r.PadODT, "Options", "PadODT", 0);
    in.Num(r.PadDriveEnable, "Options", "PadDriveEnable", 0);
    in.Num(r.PadDriving, "Options", "PadDriving", 0);
    if (!r.PadDriveEnable)
        r.PadDriving = 0;
    r.padDrive.fill(r.PadDriving);
    in.Num(r.PMASetting, "Options", "PMASetting", 0);
    in.Num(r.CloseSpeedOptimize, "Options", "CloseSpeedOptimize", 0);
    in.Num(r.RDTLED_StateSel, "Options", "RDTLED_StateSel", 0);
    in.Num(r.ForceToErase, "Options", "ForceToErase", 0);
    if (wholeFile) {
        in.Num(r.wrBurnInEnable, "Write_Read BurnIn", "Enable", 0);
        in.Num(r.SetCapacity, "Write_Read BurnIn", "SetCapacity", 1);
        in.Num(r.Capacity, "Write_Read BurnIn", "Capacity", 0);
    }
    in.Num(r.Do_Erase_First, "EraseAll", "Do_Erase_First", 0);
    r.eraseType = in.Hex("EraseAll", "Type", "0");

    // RDT.
    r.Do_RDT = r.TestStationSel == kStationRdt ? 1 : 0;
    const int32_t cycleDefault = options.testRdtCycle ? 0 : 1;
    in.Num(r.Enable_Set_Cycle, "RDT", "Enable_Set_Cycle", cycleDefault);
    in.Num(r.Cycle, "RDT", "Cycle", cycleDefault);
    in.Num(r.Enable_Set_Cycle_SLC, "RDT", "Enable_Set_Cycle_SLC", cycleDefault);
    in.Num(r.Cycle_SLC, "RDT", "Cycle_SLC", cycleDefault);
    in.Num(r.ECCthreshold, "Options", "ECC threshold", 0);
    in.Num(r.SLCECCthreshold, "Options", "SLC ECC threshold", 0);
    in.Num(r.Enable_ECCthreshold_MarkBad, "Options", "Enable_ECCthreshold_MarkBad", 0);
    in.Num(r.Byte_146, "RDT", "Byte_146", 0);
    r.Byte_101 = in.Hex("RDT", "Byte_101", "0");
    r.Byte_147 = in.Hex("RDT", "Byte_147", "0");
    r.Byte_148 = in.Hex("RDT", "Byte_148", "0");
    r.Byte_149 = in.Hex("RDT", "Byte_149", "1");
    in.Num(r.FailTotalLimitSel, "RDT", "FailTotalLimitSel", 0);
    in.Num(r.FailEraseLimitSel, "RDT", "FailEraseLimitSel", 0);
    in.Num(r.FailProgramLimitSel, "RDT", "FailProgramLimitSel", 0);
    in.Num(r.FailReadLimitSel, "RDT", "FailReadLimitSel", 0);
    r.FailTotalLimitSel = CorrectedLimitPosition(r.FailTotalLimitSel, r.Byte_101);
    r.FailEraseLimitSel = CorrectedLimitPosition(r.FailEraseLimitSel, r.Byte_147);
    r.FailProgramLimitSel = CorrectedLimitPosition(r.FailProgramLimitSel, r.Byte_148);
    r.FailReadLimitSel = CorrectedLimitPosition(r.FailReadLimitSel, r.Byte_149);
    in.Num(r.ReadRetrySel, "RDT", "ReadRetrySel", 0);
    in.Num(r.Enable_Open_Block_Test, "RDT", "Enable_Open_Block_Test", 0);

    // SN Set, Other and the remaining options.
    if (wholeFile) {
        in.Num(r.SN_Set, "SN Set", "SN_Set", 0);
        in.Num(r.SN_Type, "SN Set", "SN_Type", 0);
        in.Num(r.SN_Len, "SN Set", "SN_Len", 12);
        SetFieldText(r.SN_Start, doc.GetString("SN Set", "SN_Start", "000000000001", sizeof r.SN_Start));
        SetFieldText(r.SN_End, doc.GetString("SN Set", "SN_End", "999999999999", sizeof r.SN_End));
        SetFieldText(r.SN_Mask, doc.GetString("SN Set", "SN_Mask", "############", sizeof r.SN_Mask));
    }
    in.Num(r.SATA_SSC_Enable, "Other", "SATA_SSC_Enable", 0);
    in.Num(r.HV_Flash, "Options", "HV_Flash", 0);
    in.Num(r.Do_Software_ECC, "Options", "Do_Software_ECC", 1);
    in.Num(r.skip_BadSpec_byFW, "Options", "skip_BadSpec_byFW", 0);
    in.Num(r.ScanBad_CheckByDie, "Options", "ScanBad_CheckByDie", 0);
    in.Num(r.Do_Hard_Bit_Retry_Test, "Options", "Do_Hard_Bit_Retry_Test", 0);
    in.Num(r.Do_HB_Set, "Options", "Do_HB_Set", 0);
    in.Num(r.TotalLaterBad_SpecPerDie, "Options", "TotalLaterBad_SpecPerDie", 0);
    in.Num(r.TotalBad_SpecPerDie, "Options", "TotalBad_SpecPerDie", 0);
    in.Num(r.BICS2_Ve5_RetryReadTable, "Options", "BICS2_Ve5_RetryReadTable", 0);
    in.Num(r.Retention_Test, "Options", "Retention_Test", 0);
    in.Num(r.DoBurnInTest, "Options", "DoBurnInTest", 0);
    in.Num(r.SkipScanBad, "Options", "SkipScanBad", 0);
    in.Num(r.High_temp_Crystal_Config, "RDT", "High_temp_Crystal_Config", 0);
    in.Num(r.EnableCEMask, "Options", "EnableCEMask", 0);
    in.Num(r.SetCEMask, "Options", "SetCEMask", 0);
    in.Text(r.ID, "ConfigID", "ID");
}

} // namespace varnet

#include "config/station_file.h"

#include "platform/text.h"
#include "platform/text_format.h"

namespace varnet {
namespace {

constexpr std::string_view kGeneral = "General Info";
constexpr std::string_view kFlash = "Flash Info";
constexpr std::string_view kDevice = "Device Info";
constexpr std::string_view kOptions = "Options";
constexpr std::string_view kRdt = "RDT";
constexpr std::string_view kEraseAll = "EraseAll";
constexpr std::string_view kBurnIn = "Write_Read BurnIn";
constexpr std::string_view kInfoBlock = "InfoBlock";

// The section-relative write forms of the save rules: "always", "when set"
// (a cleared value leaves the key out of the rewritten section) and "or
// removed".
class Writer {
public:
    explicit Writer(IniDocument& doc) : doc_(doc) {}
    void Text(std::string_view section, std::string_view key, std::string_view value) {
        doc_.SetString(section, key, value);
    }
    template <size_t N>
    void Text(std::string_view section, std::string_view key, const std::array<char, N>& field) {
        doc_.SetString(section, key, FieldText(field));
    }
    void Int(std::string_view section, std::string_view key, int64_t value) { doc_.SetInt(section, key, value); }
    void IntIfSet(std::string_view section, std::string_view key, int64_t value) {
        if (value != 0)
            Int(section, key, value);
    }
    void IntOrRemove(std::string_view section, std::string_view key, int64_t value) {
        if (value != 0)
            Int(section, key, value);
        else
            Remove(section, key);
    }
    void Hex(std::string_view section, std::string_view key, uint32_t value) { doc_.SetHex(section, key, value); }
    void Remove(std::string_view section, std::string_view key) { doc_.RemoveKey(section, key); }

private:
    IniDocument& doc_;
};

bool IsBics(uint8_t family) { return family >= 15 && family <= 17; }
bool Is3dv(uint8_t family) { return family == 23 || family == 25; }

void WriteRdtFailLimits(Writer& out, const ST_STATION_CONFIG& r) {
    out.Text(kRdt, "Byte_146", "1");
    out.Hex(kRdt, "Byte_101", r.Byte_101);
    out.Hex(kRdt, "Byte_147", r.Byte_147);
    out.Hex(kRdt, "Byte_148", r.Byte_148);
    out.Hex(kRdt, "Byte_149", r.Byte_149);
    out.Int(kRdt, "FailTotalLimitSel", r.FailTotalLimitSel);
    out.Int(kRdt, "FailEraseLimitSel", r.FailEraseLimitSel);
    out.Int(kRdt, "FailProgramLimitSel", r.FailProgramLimitSel);
    out.Int(kRdt, "FailReadLimitSel", r.FailReadLimitSel);
}

void WriteRdtStation(Writer& out, const ST_STATION_CONFIG& r, const StationSaveContext& ctx) {
    const uint8_t s = r.TestStationSel;
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t f = ctx.flashFamily;
    out.Text(kGeneral, "TestStation", "PreF1");
    out.Int(kRdt, "Do_RDT", r.Do_RDT);
    out.Text(kOptions, "Do_BurnIn_PreTest", "1");
    out.IntIfSet(kRdt, "Enable_Set_Cycle", r.Enable_Set_Cycle);
    out.IntIfSet(kRdt, "Cycle", r.Cycle);
    out.IntIfSet(kRdt, "Enable_Set_Cycle_SLC", r.Enable_Set_Cycle_SLC);
    out.IntIfSet(kRdt, "Cycle_SLC", r.Cycle_SLC);
    if (ctx.customer.Byte(39))
        out.Text(kRdt, "Byte_151", "1");
    if (ctx.customer.Byte(43) || e == 1 || (e == 2 && f == 16))
        out.Text(kRdt, "Byte_180", "1");
    if (ctx.customer.Byte(45) || e == 1)
        out.Text(kRdt, "Byte_179", "1");
    out.IntOrRemove(kOptions, "ECC threshold", r.ECCthreshold);
    out.IntIfSet(kOptions, "SLC ECC threshold", r.SLCECCthreshold);
    out.IntIfSet(kOptions, "Enable_ECCthreshold_MarkBad", r.Enable_ECCthreshold_MarkBad);
    out.Text(kOptions, "RDTLED_State", r.RDTLED_StateSel == 1 ? "2" : "0");
    if (r.Byte_146)
        WriteRdtFailLimits(out, r);
    if (r.Enable_Open_Block_Test && r.Do_RDT)
        out.Int(kRdt, "Enable_Open_Block_Test", r.Enable_Open_Block_Test);
    out.IntIfSet(kRdt, "High_temp_Crystal_Config", r.High_temp_Crystal_Config);
    out.Int(kRdt, "ReadRetrySel", r.ReadRetrySel);
    if (r.ReadRetrySel == 2)
        out.Text(kRdt, "Byte_189", "1");
    else if (r.ReadRetrySel == 1)
        out.Text(kRdt, "Byte_189", "0");
    else
        out.Remove(kRdt, "Byte_189");
    if (Is3dv(f) && s == kStationRdtResult)
        out.Text(kOptions, "ReadRetryThreshold", "65535");
    if (ctx.makerCode == 0x45 && IsBics(f))
        out.Text(kOptions, "RecordEraseFail_EarlyOrLater", "1");
    if (e == 5 && IsBics(f)) {
        out.Text(kRdt, "Byte_86", "0");
        out.Text(kRdt, "Byte_87", "0");
        if (s == kStationRdtResult)
            out.Text(kOptions, "ReadRetryThreshold", "9999");
    }
}

// InfoBlock capacity bytes of the B27A and N18 parts.
void WriteInfoBlockCapacity(Writer& out, const ST_STATION_CONFIG& r, uint8_t family) {
    if (family != 21 && family != 29)
        return;
    const bool large = family == 21 && (r.Flh_Capacity / 1024u * 1024u) > 294912u;
    out.Text(kInfoBlock, "Byte_136", "00");
    out.Text(kInfoBlock, "Byte_137", "00");
    out.Text(kInfoBlock, "Byte_138", large ? "80" : "40");
    out.Text(kInfoBlock, "Byte_139", "00");
    out.Text(kInfoBlock, "Byte_203", "01");
}

void WriteMpStation(Writer& out, const ST_STATION_CONFIG& r, const StationSaveContext& ctx) {
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t f = ctx.flashFamily;
    out.Text(kGeneral, "TestStation", "F1");
    out.IntIfSet(kOptions, "Check_RDT_Table", r.Check_RDT_Table);
    out.Remove(kOptions, "Do_BurnIn_PreTest");
    const uint8_t customTemperature = r.Set_Custom_SMART_Temperature == 0 ? 0 : r.Enable_Set_Custom_SMART_Temperature;
    out.Int(kOptions, "Enable_Set_Custom_SMART_Temperature", customTemperature);
    if (customTemperature)
        out.Int(kOptions, "Set_Custom_SMART_Temperature", r.Set_Custom_SMART_Temperature);
    if (ctx.customer.Byte(47))
        out.Text(kOptions, "Set_LBTOEB", "10");
    else
        out.Remove(kOptions, "Set_LBTOEB");
    out.Text(kOptions, "Smart_Table", ctx.customer.Byte(49) ? "2" : "0");
    out.IntIfSet(kOptions, "DisableSmart05", r.DisableSmart05);
    out.IntIfSet(kOptions, "DisableSmartC4", r.DisableSmartC4);
    out.IntIfSet(kOptions, "DisableSmartC2", r.DisableSmartC2);
    out.IntIfSet(kOptions, "DisableSmartC7", r.DisableSmartC7);
    out.IntIfSet(kOptions, "EnableSmartC3", r.EnableSmartC3);
    out.IntIfSet(kOptions, "DefineA3_PlaneBad", r.DefineA3_PlaneBad);
    if (r.DefineC7_0)
        out.Text(kOptions, "DefineC7_0", "1");
    if (r.ShowCTLTemp)
        out.Text(kOptions, "ShowCTLTemp", "1");
    out.IntIfSet(kOptions, "BICS2_Ve5_RetryReadTable", r.BICS2_Ve5_RetryReadTable);
    out.Int(kOptions, "SLCPoolSizeSel", r.SLCPoolSizeSel);
    if (r.SLCPoolSizeSel != 0)
        out.Int(kOptions, "SLCPoolSize", r.SLCPoolSize);
    out.IntIfSet(kOptions, "CloseSpeedOptimize", r.CloseSpeedOptimize);
    out.Text(kOptions, "Disable_DIPM_Support", "1");
    WriteInfoBlockCapacity(out, r, f);
    if (Is3dv(f)) {
        out.Text(kOptions, "EnhanceSpecialData", "2");
        out.Text(kOptions, "ReadRetryThreshold", "65535");
    }
    if (ctx.makerCode == 0x45 && IsBics(f))
        out.Text(kOptions, "RecordEraseFail_EarlyOrLater", "1");
    if (e == 5 && IsBics(f))
        out.Text(kOptions, "ReadRetryThreshold", "9999");
    if (r.PretestType == 3 && r.Byte_146)
        WriteRdtFailLimits(out, r);
}

} // namespace

void WriteStationConfig(ST_STATION_CONFIG& r, IniDocument& doc, const StationSaveContext& ctx,
                        const StationNameTable& names) {
    Writer out(doc);
    const uint8_t s = r.TestStationSel;
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t f = ctx.flashFamily;
    const uint8_t m = ctx.makerCode;

    // Whole sections go, except the keys other parts of the program write
    // into them directly (port count, map mode, detected CE mask) and the
    // options the editors never write: rewriting must not lose those.
    doc.RemoveSection(kGeneral, {"SlotNumber", "MapType"});
    doc.RemoveSection(kFlash, {"CE_Mask"});
    doc.RemoveSection(kOptions, {"OnlyDoISP", "SkipBuildFAT", "AutoIncreseSerialNum"});
    doc.RemoveSection(kDevice);
    doc.RemoveSection("Smart_Array");
    doc.RemoveSection(kInfoBlock);
    doc.RemoveSection(kRdt);
    doc.RemoveSection(kEraseAll);
    doc.RemoveSection(kBurnIn);

    out.Text("ConfigID", "ID", r.ID);
    const StationNameTable::Slots slots = names.GetAll();
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        const std::string& name = slots[static_cast<size_t>(slot - 1)];
        if (name.empty())
            out.Remove("StationName", Format("%02d", slot));
        else
            out.Text("StationName", Format("%02d", slot), name);
    }

    out.Int(kGeneral, "TestStationSel", r.TestStationSel);
    out.Text(kGeneral, "TestStation", r.TestStation);
    out.Text(kGeneral, "WorkingNo", r.WorkingNo);
    out.Text(kGeneral, "ModelName", r.ModelName);
    out.Text(kGeneral, "SerialNum", r.SerialNum);
    out.Int(kGeneral, "MaxCurrent", r.MaxCurrent);
    out.Text(kFlash, "Flh_Type", r.Flh_Type);
    out.Text(kFlash, "Flh_MakeCode", r.Flh_MakeCode);
    out.Text(kFlash, "Flh_ID", r.Flh_ID);
    out.Int(kFlash, "Flh_Capacity", r.Flh_Capacity);
    out.Int(kFlash, "Flh_CapacitySel", r.Flh_CapacitySel);
    out.Int(kFlash, "Flh_Number", r.Flh_Number);
    out.Int(kFlash, "Flh_NumberSel", r.Flh_NumberSel);
    out.Int(kFlash, "Flash Clock", r.FlashClock);
    out.Int(kFlash, "Flash Interface", r.FlashInterface);
    if (ctx.customer.Byte(37)) {
        if (r.FlashClock == 150 && (r.FlashInterface == 2 || r.FlashInterface == 4))
            out.Text(kOptions, "EnableOverClocking", "1");
        else
            out.Remove(kOptions, "EnableOverClocking");
    }

    out.Int(kDevice, "SATASpeed", r.SATASpeed);
    out.Text(kDevice, "ControllerType", r.ControllerType);
    out.Text(kDevice, "ICFWVersion", r.ICFWVersion);
    const std::string prefix = IspKeyPrefix(FieldText(r.ControllerType), e);
    out.Text(kDevice, prefix + "ISP_CodeVersion", r.ispCodeVersion);
    out.Text(kDevice, prefix + "ISP_MPBINCode", r.ispMpImage);
    out.Text(kDevice, prefix + "ISP_RDTBINCode", r.ispRdtImage);
    out.Text(kDevice, "SSD Size", r.SSDSize);
    out.Int(kOptions, "DDRSize", r.DDRSize);
    if (!FieldText(r.setSSDSizeText).empty())
        out.Text(kOptions, "SetSSDSize", r.setSSDSizeText);
    out.IntIfSet(kOptions, "SetSSDSizeLBA", r.SetSSDSizeLBA);

    if (e == 8 && s == kStationMp && ctx.pafecFlash)
        out.Text(kOptions, "Set Firmware Name", "PAFEC1.0");
    if (!FieldText(r.SetFirmwareName).empty())
        out.Text(kOptions, "Set Firmware Name", r.SetFirmwareName);

    switch (s) {
    case kStationRdt:
    case kStationRdtResult:
        WriteRdtStation(out, r, ctx);
        break;
    case kStationMp:
        WriteMpStation(out, r, ctx);
        break;
    case kStationReMp:
        out.IntIfSet(kOptions, "CheckBBT", r.CheckBBT);
        out.IntIfSet(kOptions, "AfterMPDoResetSMART", r.AfterMPDoResetSMART);
        break;
    case kStationUpdateFw:
        if (!FieldText(r.UpdateFW).empty())
            out.Text(kDevice, "Update FW", r.UpdateFW);
        break;
    default:
        break;
    }

    if (f == 17)
        out.Text(kOptions, "Skip_Check_CEErrorBit", "1");
    out.IntOrRemove(kOptions, "Use Partial Size", r.UsePartialSize);
    out.IntOrRemove(kOptions, "CheckRDTExist", r.CheckRDTExist);
    out.IntIfSet(kOptions, "DEVSLP_Enable", r.DEVSLP_Enable);
    out.Int(kOptions, "Put_Thermal_Sensor", r.Put_Thermal_Sensor);
    out.IntIfSet(kOptions, "L06B_To_B0K", r.L06B_To_B0K);

    const char fourth = FieldText(r.ICFWVersion).size() >= 4 ? FieldText(r.ICFWVersion)[3] : '\0';
    if (fourth == 'C' || fourth == 'Q' || fourth == 'c' || fourth == 'q') {
        out.Text(kInfoBlock, "Byte_290", "E8");
        out.Text(kInfoBlock, "Byte_291", "03");
        r.infoBlock290 = 232;
        r.infoBlock291 = 3;
    } else {
        r.infoBlock290 = 0;
        r.infoBlock291 = 0;
    }

    out.Text(kOptions, "Skip_Check_RDDebugPage", "1");
    out.Int(kOptions, "PretestType", r.PretestType);
    if (r.PadODTEnable) {
        out.Int(kOptions, "PadODTEnable", r.PadODTEnable);
        out.Int(kOptions, "PadODT", r.PadODT);
    }
    if (r.PadDriveEnable) {
        out.Int(kOptions, "PadDriveEnable", r.PadDriveEnable);
        out.Int(kOptions, "PadDriving", r.PadDriving);
        for (size_t i = 0; i < kPadDriveKeys.size(); ++i)
            out.Int(kOptions, kPadDriveKeys[i], r.padDrive[i]);
    }
    if (r.wrBurnInEnable) {
        out.Text(kBurnIn, "Enable", "1");
        out.Int(kBurnIn, "SetCapacity", r.SetCapacity);
        out.Int(kBurnIn, "Capacity", r.Capacity);
    }
    out.IntIfSet(kOptions, "PMASetting", r.PMASetting);
    if (r.EnableCEMask) {
        out.Int(kOptions, "EnableCEMask", r.EnableCEMask);
        out.Int(kOptions, "SetCEMask", r.SetCEMask);
    }
    out.Int(kEraseAll, "Do_Erase_First", r.Do_Erase_First);
    out.IntIfSet(kOptions, "ForceToErase", r.ForceToErase);
    if (r.eraseType != 0)
        out.Hex(kEraseAll, "Type", r.eraseType);

    out.Int("SN Set", "SN_Set", r.SN_Set);
    out.Int("SN Set", "SN_Type", r.SN_Type);
    out.Int("SN Set", "SN_Len", r.SN_Len);
    out.Text("SN Set", "SN_Start", r.SN_Start);
    out.Text("SN Set", "SN_End", r.SN_End);
    out.Text("SN Set", "SN_Mask", r.SN_Mask);
    out.Int("Other", "SATA_SSC_Enable", r.SATA_SSC_Enable);
    if (r.HV_Flash) {
        out.Int(kOptions, "HV_Flash", r.HV_Flash);
        out.Text(kOptions, "Do_Software_ECC", "1");
    }
    out.IntIfSet(kOptions, "ScanBad_CheckByDie", r.ScanBad_CheckByDie);
    if (r.Do_HB_Set) {
        out.Text(kOptions, "Do_HB_Set", "1");
        out.Int(kOptions, "Do_Hard_Bit_Retry_Test", r.Do_Hard_Bit_Retry_Test);
    } else {
        out.Remove(kOptions, "Do_HB_Set");
        if (m == 0x45 || m == 0x98)
            out.Text(kOptions, "Do_Hard_Bit_Retry_Test", "1");
        else
            out.Remove(kOptions, "Do_Hard_Bit_Retry_Test");
    }

    out.IntIfSet(kOptions, "skip_BadSpec_byFW", r.skip_BadSpec_byFW);
    out.IntIfSet(kOptions, "Retention_Test", r.Retention_Test);
    out.IntIfSet(kOptions, "DoBurnInTest", r.DoBurnInTest);
    out.IntIfSet(kOptions, "SkipScanBad", r.SkipScanBad);
    if (s == kStationRdtResult || s == kStationIct) {
        for (std::string_view key : kBadBlockSpecKeys)
            out.Text(kOptions, key, "9999");
        if (e == 5 && IsBics(f))
            out.Text(kOptions, "ReadRetryThreshold", "9999");
    }
}

Status SaveStationConfig(ST_STATION_CONFIG& record, const std::filesystem::path& file,
                         const StationSaveContext& context, const StationNameTable& names) {
    IniDocument doc = IniDocument::Load(file);
    WriteStationConfig(record, doc, context, names);
    return doc.Save();
}

} // namespace varnet

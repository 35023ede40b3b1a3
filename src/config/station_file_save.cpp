#include "config/station_file.h"
#include "config/station_write_rules.h"

#include "platform/text.h"
#include "platform/text_format.h"

namespace varnet {
namespace {

// The sections the save writes, each with the write forms of the rules.
struct Sections {
    explicit Sections(IniDocument& doc)
        : general(doc, "General Info"), device(doc, "Device Info"), options(doc, "Options"), rdt(doc, "RDT"),
          eraseAll(doc, "EraseAll"), burnIn(doc, "Write_Read BurnIn"), infoBlock(doc, "InfoBlock"),
          snSet(doc, "SN Set"), other(doc, "Other"), stationName(doc, "StationName") {}
    SectionWriter general, device, options, rdt, eraseAll, burnIn, infoBlock, snSet, other, stationName;
};

bool IsBics(uint8_t family) {
    return family >= 15 && family <= 17;
}
bool Is3dv(uint8_t family) {
    return family == 23 || family == 25;
}

void WriteRdtFailLimits(Sections& out, const ST_STATION_CONFIG& r) {
    out.rdt.Text("Byte_146", "1");
    out.rdt.Hex("Byte_101", r.Byte_101);
    out.rdt.Hex("Byte_147", r.Byte_147);
    out.rdt.Hex("Byte_148", r.Byte_148);
    out.rdt.Hex("Byte_149", r.Byte_149);
    out.rdt.Int("FailTotalLimitSel", r.FailTotalLimitSel);
    out.rdt.Int("FailEraseLimitSel", r.FailEraseLimitSel);
    out.rdt.Int("FailProgramLimitSel", r.FailProgramLimitSel);
    out.rdt.Int("FailReadLimitSel", r.FailReadLimitSel);
}

void WriteRdtStation(Sections& out, const ST_STATION_CONFIG& r, const StationSaveContext& ctx) {
    const uint8_t s = r.TestStationSel;
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t f = ctx.flashFamily;
    out.general.Text("TestStation", "PreF1");
    out.rdt.Int("Do_RDT", r.Do_RDT);
    out.options.Text("Do_BurnIn_PreTest", "1");
    out.rdt.IntIfSet("Enable_Set_Cycle", r.Enable_Set_Cycle);
    out.rdt.IntIfSet("Cycle", r.Cycle);
    out.rdt.IntIfSet("Enable_Set_Cycle_SLC", r.Enable_Set_Cycle_SLC);
    out.rdt.IntIfSet("Cycle_SLC", r.Cycle_SLC);
    if (WantsRdtByte151(ctx))
        out.rdt.Text("Byte_151", "1");
    if (WantsRdtByte180(ctx))
        out.rdt.Text("Byte_180", "1");
    if (WantsRdtByte179(ctx))
        out.rdt.Text("Byte_179", "1");
    out.options.IntOrRemove("ECC threshold", r.ECCthreshold);
    out.options.IntIfSet("SLC ECC threshold", r.SLCECCthreshold);
    out.options.IntIfSet("Enable_ECCthreshold_MarkBad", r.Enable_ECCthreshold_MarkBad);
    out.options.Text("RDTLED_State", r.RDTLED_StateSel == 1 ? "2" : "0");
    if (r.Byte_146)
        WriteRdtFailLimits(out, r);
    if (r.Enable_Open_Block_Test && r.Do_RDT)
        out.rdt.Int("Enable_Open_Block_Test", r.Enable_Open_Block_Test);
    out.rdt.IntIfSet("High_temp_Crystal_Config", r.High_temp_Crystal_Config);
    out.rdt.Int("ReadRetrySel", r.ReadRetrySel);
    if (r.ReadRetrySel == 2)
        out.rdt.Text("Byte_189", "1");
    else if (r.ReadRetrySel == 1)
        out.rdt.Text("Byte_189", "0");
    else
        out.rdt.Remove("Byte_189");
    if (Is3dv(f) && s == kStationRdtResult)
        out.options.Text("ReadRetryThreshold", "65535");
    if (ctx.makerCode == 0x45 && IsBics(f))
        out.options.Text("RecordEraseFail_EarlyOrLater", "1");
    if (e == 5 && IsBics(f)) {
        out.rdt.Text("Byte_86", "0");
        out.rdt.Text("Byte_87", "0");
        if (s == kStationRdtResult)
            out.options.Text("ReadRetryThreshold", "9999");
    }
}

// InfoBlock capacity bytes of the B27A and N18 parts.
void WriteInfoBlockCapacity(Sections& out, const ST_STATION_CONFIG& r, uint8_t family) {
    if (family != 21 && family != 29)
        return;
    const bool large = family == 21 && (r.Flh_Capacity / 1024u * 1024u) > 294912u;
    out.infoBlock.Text("Byte_136", "00");
    out.infoBlock.Text("Byte_137", "00");
    out.infoBlock.Text("Byte_138", large ? "80" : "40");
    out.infoBlock.Text("Byte_139", "00");
    out.infoBlock.Text("Byte_203", "01");
}

void WriteMpStation(Sections& out, const ST_STATION_CONFIG& r, const StationSaveContext& ctx) {
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t f = ctx.flashFamily;
    out.general.Text("TestStation", "F1");
    out.options.IntIfSet("Check_RDT_Table", r.Check_RDT_Table);
    out.options.Remove("Do_BurnIn_PreTest");
    const uint8_t customTemperature = CustomTemperatureEnable(r);
    out.options.Int("Enable_Set_Custom_SMART_Temperature", customTemperature);
    if (customTemperature)
        out.options.Int("Set_Custom_SMART_Temperature", r.Set_Custom_SMART_Temperature);
    if (ctx.customer.Byte(47))
        out.options.Text("Set_LBTOEB", "10");
    else
        out.options.Remove("Set_LBTOEB");
    out.options.Text("Smart_Table", ctx.customer.Byte(49) ? "2" : "0");
    out.options.IntIfSet("DisableSmart05", r.DisableSmart05);
    out.options.IntIfSet("DisableSmartC4", r.DisableSmartC4);
    out.options.IntIfSet("DisableSmartC2", r.DisableSmartC2);
    out.options.IntIfSet("DisableSmartC7", r.DisableSmartC7);
    out.options.IntIfSet("EnableSmartC3", r.EnableSmartC3);
    out.options.IntIfSet("DefineA3_PlaneBad", r.DefineA3_PlaneBad);
    if (r.DefineC7_0)
        out.options.Text("DefineC7_0", "1");
    if (r.ShowCTLTemp)
        out.options.Text("ShowCTLTemp", "1");
    out.options.IntIfSet("BICS2_Ve5_RetryReadTable", r.BICS2_Ve5_RetryReadTable);
    out.options.Int("SLCPoolSizeSel", r.SLCPoolSizeSel);
    if (r.SLCPoolSizeSel != 0)
        out.options.Int("SLCPoolSize", r.SLCPoolSize);
    out.options.IntIfSet("CloseSpeedOptimize", r.CloseSpeedOptimize);
    out.options.Text("Disable_DIPM_Support", "1");
    WriteInfoBlockCapacity(out, r, f);
    if (Is3dv(f)) {
        out.options.Text("EnhanceSpecialData", "2");
        out.options.Text("ReadRetryThreshold", "65535");
    }
    if (ctx.makerCode == 0x45 && IsBics(f))
        out.options.Text("RecordEraseFail_EarlyOrLater", "1");
    if (e == 5 && IsBics(f))
        out.options.Text("ReadRetryThreshold", "9999");
    if (r.PretestType == 3 && r.Byte_146)
        WriteRdtFailLimits(out, r);
}

} // namespace

void WriteStationConfig(ST_STATION_CONFIG& r, IniDocument& doc, const StationSaveContext& ctx,
                        const StationNameTable& names) {
    Sections out(doc);
    const uint8_t s = r.TestStationSel;
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t f = ctx.flashFamily;
    const uint8_t m = ctx.makerCode;

    // Whole sections go, except the keys other parts of the program write
    // into them directly (port count, map mode, detected CE mask) and the
    // options the editors never write: rewriting must not lose those.
    doc.RemoveSection("General Info", {"SlotNumber", "MapType"});
    doc.RemoveSection("Flash Info", {"CE_Mask"});
    doc.RemoveSection("Options", {"OnlyDoISP", "SkipBuildFAT", "AutoIncreseSerialNum"});
    doc.RemoveSection("Device Info");
    doc.RemoveSection("Smart_Array");
    doc.RemoveSection("InfoBlock");
    doc.RemoveSection("RDT");
    doc.RemoveSection("EraseAll");
    doc.RemoveSection("Write_Read BurnIn");

    doc.SetString("ConfigID", "ID", FieldText(r.ID));
    const StationNameTable::Slots slots = names.GetAll();
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        const std::string& name = slots[static_cast<size_t>(slot - 1)];
        if (name.empty())
            out.stationName.Remove(Format("%02d", slot));
        else
            out.stationName.Text(Format("%02d", slot), name);
    }

    WriteGeneralAndFlashInfo(doc, r);
    WriteOverClocking(doc, r, ctx);

    out.device.Int("SATASpeed", r.SATASpeed);
    out.device.Text("ControllerType", r.ControllerType);
    out.device.Text("ICFWVersion", r.ICFWVersion);
    const std::string prefix = IspKeyPrefix(FieldText(r.ControllerType), e);
    out.device.Text(prefix + "ISP_CodeVersion", r.ispCodeVersion);
    out.device.Text(prefix + "ISP_MPBINCode", r.ispMpImage);
    out.device.Text(prefix + "ISP_RDTBINCode", r.ispRdtImage);
    out.device.Text("SSD Size", r.SSDSize);
    out.options.Int("DDRSize", r.DDRSize);
    if (!FieldText(r.setSSDSizeText).empty())
        out.options.Text("SetSSDSize", r.setSSDSizeText);
    out.options.IntIfSet("SetSSDSizeLBA", r.SetSSDSizeLBA);

    if (e == 8 && s == kStationMp && ctx.pafecFlash)
        out.options.Text("Set Firmware Name", "PAFEC1.0");
    if (!FieldText(r.SetFirmwareName).empty())
        out.options.Text("Set Firmware Name", r.SetFirmwareName);

    switch (s) {
    case kStationRdt:
    case kStationRdtResult:
        WriteRdtStation(out, r, ctx);
        break;
    case kStationMp:
        WriteMpStation(out, r, ctx);
        break;
    case kStationReMp:
        out.options.IntIfSet("CheckBBT", r.CheckBBT);
        out.options.IntIfSet("AfterMPDoResetSMART", r.AfterMPDoResetSMART);
        break;
    case kStationUpdateFw:
        if (!FieldText(r.UpdateFW).empty())
            out.device.Text("Update FW", r.UpdateFW);
        break;
    default:
        break;
    }

    if (f == 17)
        out.options.Text("Skip_Check_CEErrorBit", "1");
    out.options.IntOrRemove("Use Partial Size", r.UsePartialSize);
    out.options.IntOrRemove("CheckRDTExist", r.CheckRDTExist);
    out.options.IntIfSet("DEVSLP_Enable", r.DEVSLP_Enable);
    out.options.Int("Put_Thermal_Sensor", r.Put_Thermal_Sensor);
    out.options.IntIfSet("L06B_To_B0K", r.L06B_To_B0K);

    const char fourth = FieldText(r.ICFWVersion).size() >= 4 ? FieldText(r.ICFWVersion)[3] : '\0';
    if (fourth == 'C' || fourth == 'Q' || fourth == 'c' || fourth == 'q') {
        out.infoBlock.Text("Byte_290", "E8");
        out.infoBlock.Text("Byte_291", "03");
        r.infoBlock290 = 232;
        r.infoBlock291 = 3;
    } else {
        r.infoBlock290 = 0;
        r.infoBlock291 = 0;
    }

    out.options.Text("Skip_Check_RDDebugPage", "1");
    out.options.Int("PretestType", r.PretestType);
    if (r.PadODTEnable) {
        out.options.Int("PadODTEnable", r.PadODTEnable);
        out.options.Int("PadODT", r.PadODT);
    }
    if (r.PadDriveEnable) {
        out.options.Int("PadDriveEnable", r.PadDriveEnable);
        out.options.Int("PadDriving", r.PadDriving);
        for (size_t i = 0; i < kPadDriveKeys.size(); ++i)
            out.options.Int(kPadDriveKeys[i], r.padDrive[i]);
    }
    if (r.wrBurnInEnable) {
        out.burnIn.Text("Enable", "1");
        out.burnIn.Int("SetCapacity", r.SetCapacity);
        out.burnIn.Int("Capacity", r.Capacity);
    }
    out.options.IntIfSet("PMASetting", r.PMASetting);
    if (r.EnableCEMask) {
        out.options.Int("EnableCEMask", r.EnableCEMask);
        out.options.Int("SetCEMask", r.SetCEMask);
    }
    out.eraseAll.Int("Do_Erase_First", r.Do_Erase_First);
    out.options.IntIfSet("ForceToErase", r.ForceToErase);
    if (r.eraseType != 0)
        out.eraseAll.Hex("Type", r.eraseType);

    out.snSet.Int("SN_Set", r.SN_Set);
    out.snSet.Int("SN_Type", r.SN_Type);
    out.snSet.Int("SN_Len", r.SN_Len);
    out.snSet.Text("SN_Start", r.SN_Start);
    out.snSet.Text("SN_End", r.SN_End);
    out.snSet.Text("SN_Mask", r.SN_Mask);
    out.other.Int("SATA_SSC_Enable", r.SATA_SSC_Enable);
    if (r.HV_Flash) {
        out.options.Int("HV_Flash", r.HV_Flash);
        out.options.Text("Do_Software_ECC", "1");
    }
    out.options.IntIfSet("ScanBad_CheckByDie", r.ScanBad_CheckByDie);
    if (r.Do_HB_Set) {
        out.options.Text("Do_HB_Set", "1");
        out.options.Int("Do_Hard_Bit_Retry_Test", r.Do_Hard_Bit_Retry_Test);
    } else {
        out.options.Remove("Do_HB_Set");
        if (m == 0x45 || m == 0x98)
            out.options.Text("Do_Hard_Bit_Retry_Test", "1");
        else
            out.options.Remove("Do_Hard_Bit_Retry_Test");
    }

    out.options.IntIfSet("skip_BadSpec_byFW", r.skip_BadSpec_byFW);
    out.options.IntIfSet("Retention_Test", r.Retention_Test);
    out.options.IntIfSet("DoBurnInTest", r.DoBurnInTest);
    out.options.IntIfSet("SkipScanBad", r.SkipScanBad);
    if (s == kStationRdtResult || s == kStationIct) {
        for (std::string_view key : kBadBlockSpecKeys)
            out.options.Text(key, "9999");
        if (e == 5 && IsBics(f))
            out.options.Text("ReadRetryThreshold", "9999");
    }
}

Status SaveStationConfig(ST_STATION_CONFIG& record, const std::filesystem::path& file,
                         const StationSaveContext& context, const StationNameTable& names) {
    IniDocument doc = IniDocument::Load(file);
    WriteStationConfig(record, doc, context, names);
    return doc.Save();
}

} // namespace varnet

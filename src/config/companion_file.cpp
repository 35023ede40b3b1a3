#include "config/companion_file.h"

#include "config/station_keys.h"
#include "config/station_names.h"
#include "config/station_record_reader.h"
#include "config/station_write_rules.h"
#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <algorithm>

namespace varnet {
namespace {

constexpr std::string_view kSmartBytes[] = {
    "Smart_Byte_64", "Smart_Byte_65", "Smart_Byte_66", "Smart_Byte_72", "Smart_Byte_73",
    "Smart_Byte_80", "Smart_Byte_81", "Smart_Byte_82", "Smart_Byte_88", "Smart_Byte_89",
};

} // namespace

std::filesystem::path CompanionPathFor(std::string_view stationFile) {
    std::string path(stationFile);
    std::replace(path.begin(), path.end(), '/', '\\');
    std::string name =
        path.substr(path.find_last_of('\\') == std::string::npos ? 0 : path.find_last_of('\\') + 1);
    if (const size_t dot = name.find_last_of('.'); dot != std::string::npos)
        name.erase(dot);
    return std::filesystem::path("./Config") / (name + "_Com.cfg");
}

Status EnsureCompanionFile(const std::filesystem::path& stationFile, const std::filesystem::path& companion) {
    std::error_code ec;
    if (std::filesystem::exists(companion, ec))
        return Status::Ok();
    const std::optional<std::string> bytes = ReadWholeFile(stationFile);
    if (!bytes)
        return Status::Error(Format("cannot read %s to start its companion file", stationFile.c_str()));
    return WriteFileAtomically(companion, *bytes);
}

void LoadStationSection(const std::filesystem::path& companion, ST_STATION_CONFIG& record,
                        const StationLoadOptions& options) {
    const IniDocument doc = IniDocument::Load(companion);
    const auto station = static_cast<uint8_t>(doc.GetInt("General Info", "TestStationSel", 0));
    ReadStationRecord(doc, StationKeyPlacement::Companion(station % kStationCount), record, options);
}

Status SaveStationSection(const std::filesystem::path& companion, const ST_STATION_CONFIG& r,
                          const StationSaveContext& ctx) {
    IniDocument doc = IniDocument::Load(companion);
    const uint8_t e = ctx.customer.CustomerCode();
    const uint8_t station = r.TestStationSel % kStationCount;
    SectionWriter configId(doc, "ConfigID");
    SectionWriter device(doc, "Device Info");
    SectionWriter options(doc, "Options");
    SectionWriter sn(doc, "SN Set");
    SectionWriter s(doc, CompanionSectionName(station));

    // Nothing in the companion is removed in bulk: every "set or removed"
    // key is removed one by one when clear.
    configId.Text("ID", r.ID);
    WriteGeneralAndFlashInfo(doc, r);
    WriteOverClocking(doc, r, ctx);

    device.Int("SATASpeed", r.SATASpeed);
    device.Text("ControllerType", r.ControllerType);
    if (e == 8 && station == kStationMp && ctx.pafecFlash)
        device.Text("ICFWVersion", "PAFEC1.0");
    else
        device.Text("ICFWVersion", r.ICFWVersion);
    const std::string prefix = IspKeyPrefix(FieldText(r.ControllerType), e);
    device.Text(prefix + "ISP_CodeVersion", r.ispCodeVersion);
    device.Text(prefix + "ISP_MPBINCode", r.ispMpImage);
    device.Text(prefix + "ISP_RDTBINCode", r.ispRdtImage);
    device.Remove("Update FW");
    if (!FieldText(r.UpdateFW).empty())
        device.Text("Update FW", r.UpdateFW);
    device.Text("SSD Size", r.SSDSize);
    device.Int("SATASpeed", r.SATASpeed);

    s.Int("Do_BurnIn_PreTest", r.Do_BurnIn_PreTest);
    options.Int("DDRSize", r.DDRSize);
    s.IntOrRemove("OnlyDoISP", r.OnlyDoISP);
    s.Int("SkipBuildFAT", r.SkipBuildFAT);
    s.Remove("AutoIncreseSerialNum");
    if (!FieldText(r.setSSDSizeText).empty())
        options.Text("SetSSDSize", r.setSSDSizeText);
    else
        options.Remove("SetSSDSize");
    options.IntOrRemove("SetSSDSizeLBA", r.SetSSDSizeLBA);
    options.IntOrRemove("Use Partial Size", r.UsePartialSize);

    s.IntOrRemove("DEVSLP_Enable", r.DEVSLP_Enable);
    s.Int("Put_Thermal_Sensor", r.Put_Thermal_Sensor);
    s.Remove("Set Firmware Name");
    if (!FieldText(r.SetFirmwareName).empty())
        s.Text("Set Firmware Name", r.SetFirmwareName);
    s.IntOrRemove("CheckBBT", r.CheckBBT);
    s.IntOrRemove("AfterMPDoResetSMART", r.AfterMPDoResetSMART);
    s.IntOrRemove("DisableSmart05", r.DisableSmart05);
    s.IntOrRemove("DisableSmartC4", r.DisableSmartC4);
    s.IntOrRemove("DisableSmartC2", r.DisableSmartC2);
    s.IntOrRemove("DisableSmartC7", r.DisableSmartC7);
    s.IntOrRemove("EnableSmartC3", r.EnableSmartC3);
    if (r.DefineC7_0)
        s.Text("DefineC7_0", "1");
    else
        s.Remove("DefineC7_0");
    s.IntOrRemove("DefineA3_PlaneBad", r.DefineA3_PlaneBad);
    s.IntOrRemove("ShowCTLTemp", r.ShowCTLTemp);
    options.IntOrRemove("L06B_To_B0K", r.L06B_To_B0K);

    s.IntOrRemove("Skip_Check_RDDebugPage", r.Skip_Check_RDDebugPage);
    for (std::string_view key : kSmartBytes)
        s.Remove(key);
    s.IntOrRemove("Check_RDT_Table", r.Check_RDT_Table);
    s.IntOrRemove("CheckRDTExist", r.CheckRDTExist);
    const uint8_t customTemperature = CustomTemperatureEnable(r);
    s.Int("Enable_Set_Custom_SMART_Temperature", customTemperature);
    if (customTemperature)
        s.Int("Set_Custom_SMART_Temperature", r.Set_Custom_SMART_Temperature);
    else
        s.Remove("Set_Custom_SMART_Temperature");
    if (ctx.customer.Byte(47))
        s.Text("Set_LBTOEB", "10");
    else
        s.Remove("Set_LBTOEB");
    s.Int("SLCPoolSizeSel", r.SLCPoolSizeSel);
    if (r.SLCPoolSizeSel != 0)
        s.Int("SLCPoolSize", r.SLCPoolSize);
    else
        s.Remove("SLCPoolSize");
    s.Int("PretestType", r.PretestType);

    if (r.PadODTEnable) {
        s.Int("PadODTEnable", r.PadODTEnable);
        s.Int("PadODT", r.PadODT);
    } else {
        s.Remove("PadODTEnable");
        s.Remove("PadODT");
    }
    s.Int("PadDriveEnable", r.PadDriveEnable);
    s.Int("PadDriving", r.PadDriving);
    for (size_t i = 0; i < kPadDriveKeys.size(); ++i)
        s.Int(kPadDriveKeys[i], r.padDrive[i]);
    s.IntOrRemove("PMASetting", r.PMASetting);
    if (r.EnableCEMask) {
        s.Int("EnableCEMask", r.EnableCEMask);
        s.Int("SetCEMask", r.SetCEMask);
    } else {
        s.Remove("EnableCEMask");
        s.Remove("SetCEMask");
    }
    s.IntOrRemove("CloseSpeedOptimize", r.CloseSpeedOptimize);
    s.Int("RDTLED_StateSel", r.RDTLED_StateSel);
    s.Int("Do_Erase_First", r.Do_Erase_First);
    s.IntOrRemove("ForceToErase", r.ForceToErase);
    if (r.eraseType != 0)
        s.Hex("EraseType", r.eraseType);
    else
        s.Remove("EraseType");

    s.Int("Do_RDT", r.Do_RDT);
    s.IntOrRemove("Enable_Set_Cycle", r.Enable_Set_Cycle);
    s.IntOrRemove("Cycle", r.Cycle);
    s.IntOrRemove("Enable_Set_Cycle_SLC", r.Enable_Set_Cycle_SLC);
    s.IntOrRemove("Cycle_SLC", r.Cycle_SLC);
    s.Int("ReadRetrySel", r.ReadRetrySel);
    if (WantsRdtByte151(ctx))
        s.Text("RDT_Byte_151", "1");
    if (WantsRdtByte180(ctx))
        s.Text("RDT_Byte_180", "1");
    if (WantsRdtByte179(ctx))
        s.Text("RDT_Byte_179", "1");
    s.IntOrRemove("ECC threshold", r.ECCthreshold);
    s.IntOrRemove("SLC ECC threshold", r.SLCECCthreshold);
    s.IntOrRemove("Enable_ECCthreshold_MarkBad", r.Enable_ECCthreshold_MarkBad);
    if (r.Enable_Open_Block_Test && r.Do_RDT)
        s.Int("Enable_Open_Block_Test", r.Enable_Open_Block_Test);
    else
        s.Remove("Enable_Open_Block_Test");
    s.Hex("RDT_Byte_146", r.Byte_146);
    s.Hex("RDT_Byte_101", r.Byte_101);
    s.Hex("RDT_Byte_147", r.Byte_147);
    s.Hex("RDT_Byte_148", r.Byte_148);
    s.Hex("RDT_Byte_149", r.Byte_149);
    s.Int("FailTotalLimitSel", r.FailTotalLimitSel);
    s.Int("FailEraseLimitSel", r.FailEraseLimitSel);
    s.Int("FailProgramLimitSel", r.FailProgramLimitSel);
    s.Int("FailReadLimitSel", r.FailReadLimitSel);

    sn.Int("SN_Set", r.SN_Set);
    sn.Int("SN_Type", r.SN_Type);
    sn.Int("SN_Len", r.SN_Len);
    sn.Text("SN_Start", r.SN_Start);
    sn.Text("SN_End", r.SN_End);
    sn.Text("SN_Mask", r.SN_Mask);
    s.Int("SATA_SSC_Enable", r.SATA_SSC_Enable);
    if (r.HV_Flash) {
        s.Int("HV_Flash", r.HV_Flash);
        s.Text("Do_Software_ECC", "1");
    } else {
        s.Remove("HV_Flash");
        s.Remove("Do_Software_ECC");
    }
    s.IntOrRemove("ScanBad_CheckByDie", r.ScanBad_CheckByDie);
    if (r.Do_HB_Set) {
        s.Text("Do_HB_Set", "1");
        // A stale count must not survive a cleared one.
        s.IntOrRemove("Do_Hard_Bit_Retry_Test", r.Do_Hard_Bit_Retry_Test);
    } else {
        s.Remove("Do_HB_Set");
        s.Remove("Do_Hard_Bit_Retry_Test");
    }
    s.IntOrRemove("skip_BadSpec_byFW", r.skip_BadSpec_byFW);
    s.IntOrRemove("BICS2_Ve5_RetryReadTable", r.BICS2_Ve5_RetryReadTable);
    s.IntOrRemove("Retention_Test", r.Retention_Test);
    s.IntOrRemove("DoBurnInTest", r.DoBurnInTest);
    s.IntOrRemove("SkipScanBad", r.SkipScanBad);
    s.IntOrRemove("High_temp_Crystal_Config", r.High_temp_Crystal_Config);

    const bool resultOnly = station == kStationRdtResult || station == kStationIct;
    for (std::string_view key : kBadBlockSpecKeys) {
        if (resultOnly)
            s.Text(key, "9999");
        else
            s.Remove(key);
    }
    return doc.Save();
}

} // namespace varnet

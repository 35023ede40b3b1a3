#include "station_settings.h"

#include "config/station_config.h"
#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/text_format.h"

#include <algorithm>

namespace varnet::sim {
namespace {

std::optional<int> Spec(const IniDocument& ini, std::string_view key) {
    if (!ini.Find("Options", key))
        return std::nullopt;
    return ini.GetInt("Options", key, 0);
}

int LoopCount(const IniDocument& ini, std::string_view enableKey, std::string_view countKey) {
    if (ini.GetInt("RDT", enableKey, 1) == 0)
        return 0;
    return std::max(ini.GetInt("RDT", countKey, 1), 0);
}

} // namespace

bool StationSettings::IsBurnInStart() const {
    return testStationSel == kStationRdt;
}

bool StationSettings::IsBuiltInTest() const {
    return testStationSel == kStationIct;
}

Status LoadStationSettings(const std::filesystem::path& file, StationSettings& out) {
    const FileRead read = ReadFile(file);
    if (read.outcome != FileRead::kRead)
        return Status::Error(Format("cannot read the settings file %s", file.c_str()));
    const IniDocument ini = IniDocument::FromBytes(file, read.bytes);

    StationSettings s;
    s.testStationSel = ini.GetInt("General Info", "TestStationSel", 0);
    s.modelName = ini.GetString("General Info", "ModelName", "", 512);
    s.productionFirmware = ini.GetString("Options", "Set Firmware Name", "", 128);
    if (s.productionFirmware.empty())
        s.productionFirmware = ini.GetString("Device Info", "ICFWVersion", "", 128);
    s.pretestType = ini.GetInt("Options", "PretestType", 0);

    s.tlcLoop = LoopCount(ini, "Enable_Set_Cycle", "Cycle");
    s.slcLoop = LoopCount(ini, "Enable_Set_Cycle_SLC", "Cycle_SLC");
    s.eccThreshold = std::max(ini.GetInt("Options", "ECC threshold", 0), 0);
    s.slcEccThreshold = std::max(ini.GetInt("Options", "SLC ECC threshold", 0), 0);
    s.retentionTest = ini.GetInt("Options", "Retention_Test", 0);

    s.failLimitsEnabled = ini.GetInt("RDT", "Byte_146", 0) != 0;
    s.totalFailLimit = ini.GetHex("RDT", "Byte_101", "0");
    s.eraseFailLimit = ini.GetHex("RDT", "Byte_147", "0");
    s.programFailLimit = ini.GetHex("RDT", "Byte_148", "0");
    s.readFailLimit = ini.GetHex("RDT", "Byte_149", "1");
    s.limitSelections = {ini.GetInt("RDT", "FailProgramLimitSel", 0),
                         ini.GetInt("RDT", "FailEraseLimitSel", 0), ini.GetInt("RDT", "FailReadLimitSel", 0),
                         ini.GetInt("RDT", "FailTotalLimitSel", 0)};

    s.earlyBadSpec = Spec(ini, "EarlyBad_Spec");
    s.laterBadPerCeSpec = Spec(ini, "LaterBad_Spec");
    s.laterBadSpec = Spec(ini, "Total_LaterBad_Spec");
    if (!s.laterBadSpec)
        s.laterBadSpec = s.laterBadPerCeSpec;
    s.laterBadPerPlaneSpec = Spec(ini, "LaterBad_SpecPerPlane");
    s.laterBadPerDieSpec = Spec(ini, "TotalLaterBad_SpecPerDie");
    s.totalBadPerDieSpec = Spec(ini, "TotalBad_SpecPerDie");
    s.totalBadPerPlaneSpec = Spec(ini, "TotalBad_SpecPerPlane");
    out = std::move(s);
    return Status::Ok();
}

} // namespace varnet::sim

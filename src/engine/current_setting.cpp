#include "engine/current_setting.h"

#include "config/station_names.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"

namespace varnet {
namespace {

// The file-name part of a path written with either separator.
std::string FileNamePart(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

std::string ControllerModelOf(std::string_view controllerType) {
    static constexpr std::pair<std::string_view, std::string_view> kModels[] = {
        {"SSD-7720VA", "QC7720"}, {"KV7041-S01", "KV7041-S01"}, {"SSD-7730VB", "QC7730"},
        {"SSD-7710VC", "QC7710"}, {"SSD-7700VD", "QC7700"},     {"PCIe-9420RM", "9420RM"},
    };
    for (const auto& [contains, shown] : kModels)
        if (controllerType.find(contains) != std::string_view::npos)
            return std::string(shown);
    return "WrongCtlType";
}

CurrentSetting ComposeCurrentSetting(const ST_STATION_CONFIG& c, const std::filesystem::path& file,
                                     const CustomerRecord& customer, int uiLanguage) {
    CurrentSetting s;
    const int station = c.TestStationSel % 8;
    s.testStation = Format("%02d_%s", station + 1, StationNames().Get(station + 1).c_str());
    s.controller = ControllerModelOf(FieldText(c.ControllerType));
    s.flashType = std::string(FieldText(c.Flh_Type));
    s.flashId = std::string(FieldText(c.Flh_ID));
    s.ceNumber = Format("%d", static_cast<int>(c.Flh_Number));
    const int capacity = IniGetInt(file, "Flash Info", "Flh_Capacity", 0);
    s.totalSize = capacity > 1023 ? Format("%dGB", capacity / 1024) : Format("%dMB", capacity);

    const uint8_t code = customer.CustomerCode();
    const std::string prefix = IspKeyPrefix(FieldText(c.ControllerType), code);
    const std::string mp = FileNamePart(IniGetString(file, "Device Info", prefix + "ISP_MPBINCode", "", 512));
    const std::string rdt =
        FileNamePart(IniGetString(file, "Device Info", prefix + "ISP_RDTBINCode", "", 512));
    s.mpFirmware = mp.empty() ? "NULL" : mp;
    const std::string icVersion = IniGetString(file, "Device Info", "ICFWVersion", "", 21);
    if (code == 8 && icVersion.starts_with("PA"))
        s.mpFirmware = icVersion;
    if (const std::string update(FieldText(c.UpdateFW)); !update.empty())
        s.mpFirmware = FileNamePart(update);
    s.rdtFirmware = rdt.empty() ? "NULL" : rdt;
    s.workingOrder = std::string(FieldText(c.WorkingNo));
    s.modelName = std::string(FieldText(c.ModelName));
    const bool chinese = uiLanguage == 1;
    if (c.SN_Set)
        s.serialCaption = chinese ? "起始序号:" : "Start SN:";
    else
        s.serialCaption = chinese ? "固定序号:" : "SN Fixed:";
    s.serialNumber = std::string(FieldText(c.SerialNum));
    s.showSnScan = c.SN_Set && c.SN_Type == 2;
    s.showSlcBuffer = code == 6;
    return s;
}

} // namespace varnet

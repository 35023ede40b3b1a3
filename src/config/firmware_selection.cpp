#include "config/firmware_selection.h"

#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"

namespace varnet {
namespace {
// Stored paths use the forward form; paths read back may use either separator.
constexpr std::string_view kBinFolder = "./Bin/";
} // namespace

FirmwareNames ReadIspFwOverride(const std::filesystem::path& ispFwIni) {
    const IniDocument doc = IniDocument::Load(ispFwIni);
    return {doc.GetString("CTL", "ED3_Micron3D_A1_MP_Firmware", "", 128),
            doc.GetString("CTL", "ED3_Micron3D_A1_RDT_Firmware", "", 128)};
}

void ApplyFirmwareNames(ST_STATION_CONFIG& record, const FirmwareNames& names) {
    const std::string_view p = names.production;
    SetFieldText(record.ispRdtImage, std::string(kBinFolder) + names.rdt);
    SetFieldText(record.ispMpImage, std::string(kBinFolder) + names.production);
    SetFieldText(record.ICFWVersion, Prefix(p, 8));
    SetFieldText(record.ispCodeVersion, Slice(p, 4, 5));
    const char fourth = p.size() >= 4 ? p[3] : '\0';
    const bool infoBlock = fourth == 'C' || fourth == 'c' || fourth == 'Q' || fourth == 'q';
    record.infoBlock290 = infoBlock ? 232 : 0;
    record.infoBlock291 = infoBlock ? 3 : 0;
}

void ApplyFlashRecord(ST_STATION_CONFIG& record, const ST_SSD_FLASH_PARAM& flash,
                      const std::filesystem::path& stationFileOnDisk, const std::filesystem::path& ispFwIni) {
    SetFieldText(record.ID, ConfigurationLabel(flash));
    SetFieldText(record.Flh_Type, FieldText(flash.typeText));
    SetFieldText(record.Flh_MakeCode, FieldText(flash.makerText));
    const auto& id = flash.flashId;
    SetFieldText(record.Flh_ID,
                 Format("%02x %02x %02x %02x %02x %02x", id[0], id[1], id[2], id[3], id[4], id[5]));
    record.flashId = id;
    record.makerCode = id[0];

    FirmwareNames names{std::string(FieldText(flash.mpFirmware)), std::string(FieldText(flash.rdtFirmware))};
    // The file on disk decides, not the screen: the switch is written the
    // moment it is clicked.
    if (IniGetInt(stationFileOnDisk, "Options", "L06B_To_B0K", 0) != 0)
        names = ReadIspFwOverride(ispFwIni);
    ApplyFirmwareNames(record, names);
}

const ST_SSD_FLASH_PARAM* FindByLabel(const FlashDatabase& db, std::string_view chosenText) {
    const std::string_view wanted = TrimBlanks(chosenText);
    for (const ST_SSD_FLASH_PARAM& record : db.Records()) {
        if (ConfigurationLabel(record).find(wanted) != std::string::npos)
            return &record;
    }
    return nullptr;
}

} // namespace varnet

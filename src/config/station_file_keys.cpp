#include "config/station_file.h"

#include "platform/ini_file.h"
#include "platform/ini_text.h"
#include "platform/ini_values.h"
#include "platform/text_format.h"

namespace varnet {

Status CopyInfoBlock(const std::filesystem::path& destination, const std::filesystem::path& source, int n) {
    const IniDocument from = IniDocument::Load(source);
    IniDocument to = IniDocument::Load(destination);
    const std::string section = Format("InfoBlock_%u", static_cast<unsigned>(static_cast<uint8_t>(n)));
    for (int byte = 0; byte < 512; ++byte) {
        const std::string key = Format("Byte_%d", byte);
        const std::string value = from.GetString("InfoBlock", key, "", 128);
        if (!value.empty())
            to.SetString(section, key, value);
    }
    return to.Save();
}

// The serial number is written back as a pair, in one change of the file, so
// that no reader ever sees SerialNum and SN_Start disagree.
Status WriteSerialNumberKeys(const std::filesystem::path& file, std::string_view serialNumber) {
    return UpdateExistingIniFile(file, [&](IniText& ini) {
        return ini.Set("SN Set", "SN_Start", serialNumber) &&
               ini.Set("General Info", "SerialNum", serialNumber);
    });
}

namespace {

// The main page's own writes go into the station file it runs; a name that
// is no station file (a mistyped --config, a file removed meanwhile) must not
// become one.
Status WriteExistingKey(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    return UpdateExistingIniFile(file, [&](IniText& ini) { return ini.Set(section, key, value); });
}

} // namespace

Status WriteSlotNumber(const std::filesystem::path& file, int slotNumber) {
    return WriteExistingKey(file, "General Info", "SlotNumber", IntText(slotNumber));
}

Status WriteMapType(const std::filesystem::path& file, int mapType) {
    return WriteExistingKey(file, "General Info", "MapType", IntText(mapType));
}

Status WriteSlcPoolSize(const std::filesystem::path& file, uint32_t slcPoolSize) {
    return WriteExistingKey(file, "Options", "SLCPoolSize", IntText(slcPoolSize));
}

Status WriteCeMask(const std::filesystem::path& file, uint32_t ceMask) {
    return IniWriteInt(file, "Flash Info", "CE_Mask", ceMask);
}

Status WriteL06bToB0k(const std::filesystem::path& file, bool set) {
    return set ? IniWriteString(file, "Options", "L06B_To_B0K", "1")
               : IniRemoveKey(file, "Options", "L06B_To_B0K");
}

Status WriteTestStationSel(const std::filesystem::path& file, int station) {
    return IniWriteInt(file, "General Info", "TestStationSel", station);
}

} // namespace varnet

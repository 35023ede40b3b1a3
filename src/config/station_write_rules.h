// What the station file and its companion file write alike: the write forms
// of the save rules and the rules both files apply to the same keys.
#pragma once

#include "config/station_config.h"
#include "config/station_file.h"
#include "platform/ini_document.h"
#include "platform/text.h"

#include <array>
#include <string_view>

namespace varnet {

// One section of a document, written key by key in the forms the save rules
// use: always, "when set" (left out when clear) and "set or removed".
class SectionWriter {
public:
    SectionWriter(IniDocument& doc, std::string_view section) : doc_(doc), section_(section) {}
    void Text(std::string_view key, std::string_view value) { doc_.SetString(section_, key, value); }
    template <size_t N> void Text(std::string_view key, const std::array<char, N>& field) {
        doc_.SetString(section_, key, FieldText(field));
    }
    void Int(std::string_view key, int64_t value) { doc_.SetInt(section_, key, value); }
    void IntIfSet(std::string_view key, int64_t value) {
        if (value != 0)
            Int(key, value);
    }
    void IntOrRemove(std::string_view key, int64_t value) {
        if (value != 0)
            Int(key, value);
        else
            Remove(key);
    }
    void Hex(std::string_view key, uint32_t value) { doc_.SetHex(section_, key, value); }
    void Remove(std::string_view key) { doc_.RemoveKey(section_, key); }

private:
    IniDocument& doc_;
    std::string section_;
};

// [General Info] TestStationSel .. MaxCurrent and [Flash Info] Flh_Type ..
// Flash Interface (CE_Mask is written only by Detect).
void WriteGeneralAndFlashInfo(IniDocument& doc, const ST_STATION_CONFIG& r);

// [Options] EnableOverClocking for customers with byte 37 set: "1" at 150 MHz
// on Toggle 1.0 or ONFI 2.0, removed otherwise.
void WriteOverClocking(IniDocument& doc, const ST_STATION_CONFIG& r, const StationSaveContext& ctx);

// The customer and flash rules of the RDT bytes 151, 179 and 180.
bool WantsRdtByte151(const StationSaveContext& ctx);
bool WantsRdtByte179(const StationSaveContext& ctx);
bool WantsRdtByte180(const StationSaveContext& ctx);

// The custom SMART temperature is only enabled with a temperature to report.
uint8_t CustomTemperatureEnable(const ST_STATION_CONFIG& r);

} // namespace varnet

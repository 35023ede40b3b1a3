#include "config/station_write_rules.h"

namespace varnet {

void WriteGeneralAndFlashInfo(IniDocument& doc, const ST_STATION_CONFIG& r) {
    SectionWriter general(doc, "General Info");
    general.Int("TestStationSel", r.TestStationSel);
    general.Text("TestStation", r.TestStation);
    general.Text("WorkingNo", r.WorkingNo);
    general.Text("ModelName", r.ModelName);
    general.Text("SerialNum", r.SerialNum);
    general.Int("MaxCurrent", r.MaxCurrent);
    SectionWriter flash(doc, "Flash Info");
    flash.Text("Flh_Type", r.Flh_Type);
    flash.Text("Flh_MakeCode", r.Flh_MakeCode);
    flash.Text("Flh_ID", r.Flh_ID);
    flash.Int("Flh_Capacity", r.Flh_Capacity);
    flash.Int("Flh_CapacitySel", r.Flh_CapacitySel);
    flash.Int("Flh_Number", r.Flh_Number);
    flash.Int("Flh_NumberSel", r.Flh_NumberSel);
    flash.Int("Flash Clock", r.FlashClock);
    flash.Int("Flash Interface", r.FlashInterface);
}

void WriteOverClocking(IniDocument& doc, const ST_STATION_CONFIG& r, const StationSaveContext& ctx) {
    if (!ctx.customer.Byte(37))
        return;
    if (r.FlashClock == 150 && (r.FlashInterface == 2 || r.FlashInterface == 4))
        doc.SetString("Options", "EnableOverClocking", "1");
    else
        doc.RemoveKey("Options", "EnableOverClocking");
}

bool WantsRdtByte151(const StationSaveContext& ctx) {
    return ctx.customer.Byte(39) != 0;
}

bool WantsRdtByte179(const StationSaveContext& ctx) {
    return ctx.customer.Byte(45) != 0 || ctx.customer.CustomerCode() == 1;
}

bool WantsRdtByte180(const StationSaveContext& ctx) {
    const uint8_t code = ctx.customer.CustomerCode();
    return ctx.customer.Byte(43) != 0 || code == 1 || (code == 2 && ctx.flashFamily == 16);
}

uint8_t CustomTemperatureEnable(const ST_STATION_CONFIG& r) {
    return r.Set_Custom_SMART_Temperature == 0 ? 0 : r.Enable_Set_Custom_SMART_Temperature;
}

} // namespace varnet

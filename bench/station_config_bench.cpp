// Whole-file load and save of an MP station file with every key the save writes.
#include "config/station_file.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

using namespace varnet;

std::filesystem::path ScratchFolder() {
    auto dir =
        std::filesystem::temp_directory_path() / ("varnet-bench-station-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

// Every flag the MP save writes "when set" is set, and the context turns on
// every customer and flash rule that adds keys.
ST_STATION_CONFIG FullMpRecord() {
    ST_STATION_CONFIG r{};
    r.TestStationSel = kStationMp;
    SetFieldText(r.ID, "98 3C 98 B3 76 72-BICS3");
    SetFieldText(r.TestStation, "F1");
    SetFieldText(r.WorkingNo, "WO-2026-12-0001");
    SetFieldText(r.ModelName, "VARNET SSD 512GB");
    SetFieldText(r.SerialNum, "VN0000000001");
    SetFieldText(r.Flh_Type, "BiCS3 TLC");
    SetFieldText(r.Flh_MakeCode, "KIOXIA");
    SetFieldText(r.Flh_ID, "98 3c 98 b3 76 72");
    r.Flh_Capacity = 524288;
    r.Flh_Number = 8;
    r.FlashClock = 150;
    r.FlashInterface = 4;
    SetFieldText(r.ControllerType, "SSD-7720VA");
    SetFieldText(r.ICFWVersion, "T06C2011");
    SetFieldText(r.ispCodeVersion, "C2011");
    SetFieldText(r.ispMpImage, "./Bin/T06C2011_MP.BIN");
    SetFieldText(r.ispRdtImage, "./Bin/T06C2011_RDT.BIN");
    SetFieldText(r.SSDSize, "M.2");
    SetFieldText(r.setSSDSizeText, "480");
    r.SetSSDSizeLBA = 937703088;
    r.DDRSize = 512;
    r.UsePartialSize = r.DEVSLP_Enable = r.Put_Thermal_Sensor = r.CheckRDTExist = r.Check_RDT_Table = 1;
    r.DisableSmart05 = r.DisableSmartC4 = r.DisableSmartC2 = r.DisableSmartC7 = r.EnableSmartC3 = 1;
    r.DefineC7_0 = r.DefineA3_PlaneBad = r.ShowCTLTemp = r.BICS2_Ve5_RetryReadTable = r.CloseSpeedOptimize =
        1;
    r.Enable_Set_Custom_SMART_Temperature = 1;
    r.Set_Custom_SMART_Temperature = 40;
    r.SLCPoolSizeSel = 2;
    r.SLCPoolSize = 786432;
    r.PretestType = 3;
    r.Byte_146 = 1;
    r.Byte_101 = 3;
    r.FailTotalLimitSel = 4;
    r.PadODTEnable = r.PadDriveEnable = 1;
    r.PadODT = r.PadDriving = 2;
    r.padDrive.fill(2);
    r.wrBurnInEnable = 1;
    r.Capacity = 16;
    r.PMASetting = 42003;
    r.EnableCEMask = 1;
    r.SetCEMask = 0x0F0F0F0F;
    r.Do_Erase_First = r.ForceToErase = 1;
    r.eraseType = 0x49;
    r.SN_Set = 1;
    r.SN_Len = 12;
    SetFieldText(r.SN_Start, "VN0000000001");
    SetFieldText(r.SN_End, "VN9999999999");
    SetFieldText(r.SN_Mask, "VN##########");
    r.HV_Flash = r.ScanBad_CheckByDie = r.Do_HB_Set = r.skip_BadSpec_byFW = r.DoBurnInTest = r.SkipScanBad =
        1;
    r.Do_Hard_Bit_Retry_Test = 2;
    r.Retention_Test = 1;
    r.L06B_To_B0K = 1;
    return r;
}

StationSaveContext FullContext() {
    StationSaveContext ctx;
    ctx.customer.bytes[16] = 5;
    for (size_t byte : {37, 39, 43, 45, 47, 49})
        ctx.customer.bytes[byte] = 1;
    ctx.flashFamily = 17;
    ctx.makerCode = 0x45;
    return ctx;
}

void BM_StationConfigSave(benchmark::State& state) {
    const auto dir = ScratchFolder();
    const auto file = dir / "04_MP.ini";
    StationNameTable names;
    ST_STATION_CONFIG record = FullMpRecord();
    const StationSaveContext ctx = FullContext();
    int n = 0;
    for (auto _ : state) {
        // A changed value each time, so every save really writes the file.
        SetFieldText(record.WorkingNo, "WO-" + std::to_string(n++));
        if (!SaveStationConfig(record, file, ctx, names).ok())
            state.SkipWithError("save failed");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StationConfigSave)->Unit(benchmark::kMicrosecond);

void BM_StationConfigLoad(benchmark::State& state) {
    const auto dir = ScratchFolder();
    const auto file = dir / "04_MP.ini";
    StationNameTable names;
    ST_STATION_CONFIG record = FullMpRecord();
    if (!SaveStationConfig(record, file, FullContext(), names).ok())
        state.SkipWithError("save failed");
    for (auto _ : state) {
        LoadStationConfig(file, record, names);
        benchmark::DoNotOptimize(record);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StationConfigLoad)->Unit(benchmark::kMicrosecond);

} // namespace

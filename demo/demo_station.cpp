#include "demo_station.h"

#include "demo_files.h"

#include "config/customer_record.h"
#include "config/firmware_selection.h"
#include "config/flash_database.h"
#include "config/flash_table.h"
#include "config/password_store.h"
#include "config/scrambled_file.h"
#include "config/setting_rules.h"
#include "config/station_file.h"
#include "device_root_writer.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "station_description.h"

#include <set>

namespace varnet {
namespace {

namespace fs = std::filesystem;

Status WriteIfMissing(const fs::path& file, std::string_view bytes) {
    std::error_code ec;
    if (fs::exists(file, ec))
        return Status::Ok();
    return WriteFileAtomically(file, bytes);
}

std::string CustomerFile() {
    CustomerRecord record;
    const uint8_t marker[] = {0x4B, 0x58, 0x4D, 0x50};
    std::copy(std::begin(marker), std::end(marker), record.bytes.begin() + 33);
    const std::vector<uint8_t> scrambled = ScramblePadded(record.bytes);
    const std::vector<uint8_t> file = EncodePasswordChange(scrambled, kDemoSettingsPassword);
    return std::string(file.begin(), file.end());
}

struct DemoStation {
    uint8_t index;
    const char* file;
};
constexpr DemoStation kStations[] = {
    {kStationEraseAll, "01_EraseAll.ini"},   {kStationRdt, "02_RDT.ini"},
    {kStationRdtResult, "03_RDTResult.ini"}, {kStationMp, "04_MP.ini"},
    {kStationReMp, "05_ReMP.ini"},           {kStationIct, "06_ICT.ini"},
    {kStationUpdateFw, "07_UpdateFW.ini"},   {kStationScanBad, "08_ScanBad.ini"},
};

Status WriteStationFile(const fs::path& dir, const DemoStation& station, const FlashDatabase& db,
                        const CustomerRecord& customer) {
    const fs::path file = dir / station.file;
    std::error_code ec;
    if (fs::exists(file, ec))
        return Status::Ok();
    const ST_SSD_FLASH_PARAM* flash = FindByLabel(db, "-BICS3");
    if (!flash)
        return Status::Error("the demo flash table has no BICS3 part");

    ST_STATION_CONFIG r{};
    r.TestStationSel = station.index;
    SetFieldText(r.TestStation, StationCodeFor(station.index));
    SetFieldText(r.WorkingNo, "DEMO-2026-001");
    SetFieldText(r.ModelName, "VARNET SSD 256GB");
    SetFieldText(r.SerialNum, "VN2612000001");
    SetFieldText(r.ControllerType, "SSD-7720VA");
    SetFieldText(r.SSDSize, "2.5\"");
    ApplyFlashRecord(r, *flash, file, dir / "Bin" / "ISP_FW.ini");
    r.Flh_Number = 8;
    r.Flh_Capacity = DetectedCapacityMb(*flash, r.Flh_Number);
    r.FlashClock = 200;
    r.FlashInterface = 3;
    r.SATASpeed = 3;
    r.DDRSize = 256;
    r.Put_Thermal_Sensor = 1;
    r.PMASetting = 42035;
    r.Skip_Check_RDDebugPage = 1;
    r.Do_Software_ECC = 1;
    r.SetCapacity = 1;
    r.Do_RDT = station.index == kStationRdt;
    // Cycle counts are the burn-in's own setting.
    r.Enable_Set_Cycle = r.Enable_Set_Cycle_SLC = r.Do_RDT;
    r.Cycle = 2;
    r.Cycle_SLC = 2;
    r.Byte_149 = 1;
    // Serial numbers are handed out from the range once, at production; every
    // other station keeps the drive's own, so no two drives of the line ever
    // carry the same one.
    r.SN_Set = station.index == kStationMp;
    r.SN_Len = 12;
    SetFieldText(r.SN_Start, "VN2612000001");
    SetFieldText(r.SN_End, "VN2612999999");
    SetFieldText(r.SN_Mask, "VN##########");
    if (station.index == kStationUpdateFw)
        SetFieldText(r.UpdateFW, std::string("./Bin/") + std::string(FieldText(flash->mpFirmware)));

    StationSaveContext context;
    context.customer = customer;
    context.flashFamily = db.FamilyOf(r.flashId);
    context.makerCode = r.makerCode;
    // What the settings editor derives from the station when it saves.
    ApplyEraseRule(r, station.index, context.flashFamily, context.makerCode);
    StationNameTable names;
    if (Status saved = SaveStationConfig(r, file, context, names); !saved.ok())
        return saved;
    if (Status saved = WriteSlotNumber(file, 24); !saved.ok())
        return saved;
    // Saved once more, as the editor saves over an existing file (the keys it
    // owns rewritten after those it keeps), so that opening a demo file in
    // the editor and saving it untouched changes no byte.
    return SaveStationConfig(r, file, context, names);
}

Status WriteSimulatedStation(const fs::path& dir, DemoPace pace) {
    const fs::path sim = dir / "Sim";
    if (Status copied = WriteIfMissing(sim / "station.txt", DemoDescriptionText(pace)); !copied.ok())
        return copied;
    // The root follows the description in the folder, which the operator may
    // have changed.
    sim::StationDescription description;
    if (Status loaded = sim::LoadStationDescription(sim / "station.txt", description); !loaded.ok())
        return loaded;
    return sim::WriteDeviceRoot(description, sim / "root", sim);
}

// Copies by way of a temporary name in the target folder and a rename.
Status ReplaceWithCopy(const fs::path& from, const fs::path& to) {
    const fs::path temp = to.parent_path() / ("." + to.filename().string() + ".new");
    std::error_code ec;
    fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temp, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return Status::Error(
            Format("cannot copy %s to %s: %s", from.c_str(), to.c_str(), ec.message().c_str()));
    }
    return Status::Ok();
}

} // namespace

std::string DemoDescriptionText(DemoPace pace) {
    std::string text(DemoStationDescription());
    if (pace == DemoPace::kLine)
        return text;
    // Without their call times the drives answer at once.
    for (size_t at = text.find(" time-ms="); at != std::string::npos; at = text.find(" time-ms=", at)) {
        size_t end = at + 9;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        text.erase(at, end - at);
    }
    return text;
}

Status WriteDemoStation(const fs::path& dir, DemoPace pace) {
    std::error_code ec;
    for (const char* folder : {"", "Bin", "Config", "Log", "Sim"}) {
        fs::create_directories(dir / folder, ec);
        if (ec)
            return Status::Error(
                Format("cannot create %s: %s", (dir / folder).c_str(), ec.message().c_str()));
    }

    const FlashTable parsed = ParseFlashTable(DemoFlashTable());
    if (!parsed.ok())
        return Status::Error("demo flash table: " + parsed.errors.front());
    const std::vector<uint8_t> database = EncodeFlashDatabase(parsed.records);
    if (Status written = WriteFileAtomically(dir / "FlashInfo.dat", AsText(database)); !written.ok())
        return written;

    if (Status written = WriteIfMissing(dir / "Bin" / "SB_ISP_Ram.BIN", CustomerFile()); !written.ok())
        return written;
    if (Status written = WriteIfMissing(dir / "Bin" / "ISP_FW.ini",
                                        "[CTL]\r\nED3_Micron3D_A1_MP_Firmware=VN3B0530_MP_B0K.bin\r\n"
                                        "ED3_Micron3D_A1_RDT_Firmware=VN3B0530_RDT_B0K.bin\r\n");
        !written.ok())
        return written;
    // Every image the table names, so that each configuration can be produced.
    std::set<std::string> images;
    for (const ST_SSD_FLASH_PARAM& record : parsed.records) {
        images.emplace(FieldText(record.mpFirmware));
        images.emplace(FieldText(record.rdtFirmware));
    }
    for (const std::string& image : images)
        if (Status written =
                WriteIfMissing(dir / "Bin" / image, Format("VARNET DEMO FIRMWARE %s\n", image.c_str()));
            !written.ok())
            return written;

    FlashDatabase db;
    db.LoadFromBytes(database);
    CustomerRecord customer;
    LoadCustomerRecord(dir / "Bin" / "SB_ISP_Ram.BIN", customer);
    for (const DemoStation& station : kStations)
        if (Status written = WriteStationFile(dir, station, db, customer); !written.ok())
            return written;
    return WriteSimulatedStation(dir, pace);
}

Status CopyStationLibraries(const fs::path& libraryDir, const fs::path& dir, std::string& warning) {
    warning.clear();
    std::error_code ec;
    if (!fs::exists(libraryDir / "MP_API.so", ec))
        warning = Format("%s is not built yet, so it was not copied", (libraryDir / "MP_API.so").c_str());
    else if (Status copied = ReplaceWithCopy(libraryDir / "MP_API.so", dir / "MP_API.so"); !copied.ok())
        return copied;
    return ReplaceWithCopy(libraryDir / "MES_DLL.so", dir / "MES_DLL.so");
}

} // namespace varnet

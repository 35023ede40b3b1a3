// Writes the demo station folder: flash database, customer record with the
// demo settings password, firmware images and one station file per station.
// Files that already exist are left alone (an operator's changes survive a
// new start), except the flash database, which always follows the table.
#include "config/customer_record.h"
#include "config/firmware_selection.h"
#include "config/flash_database.h"
#include "config/flash_table.h"
#include "config/password_store.h"
#include "config/scrambled_file.h"
#include "config/station_file.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <cstdio>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace varnet;

namespace {

constexpr const char* kDemoPassword = "varnet";

bool Fail(const std::string& message) {
    std::fprintf(stderr, "make-demo-station: %s\n", message.c_str());
    return false;
}

bool WriteIfMissing(const fs::path& file, std::string_view bytes) {
    if (fs::exists(file))
        return true;
    const Status status = WriteFileAtomically(file, bytes);
    return status.ok() || Fail(status.message());
}

std::string CustomerFile() {
    CustomerRecord record;
    const uint8_t marker[] = {0x4B, 0x58, 0x4D, 0x50};
    std::copy(std::begin(marker), std::end(marker), record.bytes.begin() + 33);
    const std::vector<uint8_t> scrambled = ScramblePadded(record.bytes);
    const std::vector<uint8_t> file = EncodePasswordChange(scrambled, kDemoPassword);
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

bool WriteStationFile(const fs::path& dir, const DemoStation& station, const FlashDatabase& db,
                      const CustomerRecord& customer) {
    const fs::path file = dir / station.file;
    if (fs::exists(file))
        return true;
    const ST_SSD_FLASH_PARAM* flash = FindByLabel(db, "-BICS3");
    if (!flash)
        return Fail("the demo flash table has no BICS3 part");

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
    r.Enable_Set_Cycle = r.Enable_Set_Cycle_SLC = 1;
    r.Cycle = 2;
    r.Cycle_SLC = 2;
    r.Byte_149 = 1;
    r.SN_Set = 1;
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
    StationNameTable names;
    const Status saved = SaveStationConfig(r, file, context, names);
    if (!saved.ok())
        return Fail(saved.message());
    const Status slots = WriteSlotNumber(file, 24);
    return slots.ok() || Fail(slots.message());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo-station FOLDER\n");
        return 2;
    }
    const fs::path dir = argv[1];
    std::error_code ec;
    for (const char* folder : {"", "Bin", "Config", "Log"})
        fs::create_directories(dir / folder, ec);

    const std::optional<std::string> table = ReadWholeFile(fs::path(VARNET_DEMO_DIR) / "flash_table.txt");
    if (!table) {
        Fail("cannot read the demo flash table");
        return 1;
    }
    const FlashTable parsed = ParseFlashTable(*table);
    if (!parsed.ok()) {
        Fail("demo flash table: " + parsed.errors.front());
        return 1;
    }
    const std::vector<uint8_t> database = EncodeFlashDatabase(parsed.records);
    if (const Status s = WriteFileAtomically(dir / "FlashInfo.dat", AsText(database)); !s.ok()) {
        Fail(s.message());
        return 1;
    }

    if (!WriteIfMissing(dir / "Bin" / "SB_ISP_Ram.BIN", CustomerFile()) ||
        !WriteIfMissing(dir / "Bin" / "ISP_FW.ini",
                        "[CTL]\r\nED3_Micron3D_A1_MP_Firmware=VN3B0530_MP_B0K.bin\r\n"
                        "ED3_Micron3D_A1_RDT_Firmware=VN3B0530_RDT_B0K.bin\r\n"))
        return 1;
    // Every image the table names, so that each configuration can be produced.
    std::set<std::string> images;
    for (const ST_SSD_FLASH_PARAM& record : parsed.records) {
        images.emplace(FieldText(record.mpFirmware));
        images.emplace(FieldText(record.rdtFirmware));
    }
    for (const std::string& image : images) {
        if (!WriteIfMissing(dir / "Bin" / image, Format("VARNET DEMO FIRMWARE %s\n", image.c_str())))
            return 1;
    }

    FlashDatabase db;
    db.LoadFromBytes(database);
    CustomerRecord customer;
    LoadCustomerRecord(dir / "Bin" / "SB_ISP_Ram.BIN", customer);
    for (const DemoStation& station : kStations) {
        if (!WriteStationFile(dir, station, db, customer))
            return 1;
    }
    std::printf("demo station ready in %s (settings password \"%s\")\n", dir.c_str(), kDemoPassword);
    return 0;
}

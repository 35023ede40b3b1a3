// What choosing a flash configuration copies into the station record.
#include "config/firmware_selection.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

ST_SSD_FLASH_PARAM Flash(const char* name, std::array<uint8_t, 8> id, const char* mp, const char* rdt) {
    ST_SSD_FLASH_PARAM f{};
    SetFieldText(f.name, name);
    f.flashId = id;
    SetFieldText(f.makerText, "KIOXIA");
    SetFieldText(f.typeText, "BiCS3 TLC");
    SetFieldText(f.mpFirmware, mp);
    SetFieldText(f.rdtFirmware, rdt);
    return f;
}

TEST(FirmwareNames, DerivedValuesFollowTheProductionImageName) {
    struct Case {
        const char* production;
        const char* version;
        const char* ispVersion;
        uint32_t info290;
        uint32_t info291;
    } const cases[] = {
        {"T06C2011.BIN", "T06C2011", "C2011", 232, 3}, // fourth character C
        {"T06q2011.BIN", "T06q2011", "q2011", 232, 3},
        {"T06B2011.BIN", "T06B2011", "B2011", 0, 0},
        {"AB", "AB", "", 0, 0}, // a short name gives shorter texts
        {"ABCDEF", "ABCDEF", "DEF", 0, 0},
        {"", "", "", 0, 0},
    };
    for (const Case& c : cases) {
        ST_STATION_CONFIG r{};
        r.infoBlock290 = 7;
        ApplyFirmwareNames(r, {c.production, "R1.BIN"});
        EXPECT_EQ(FieldText(r.ICFWVersion), c.version) << c.production;
        EXPECT_EQ(FieldText(r.ispCodeVersion), c.ispVersion) << c.production;
        EXPECT_EQ(FieldText(r.ispMpImage), std::string("./Bin/") + c.production);
        EXPECT_EQ(FieldText(r.ispRdtImage), "./Bin/R1.BIN");
        EXPECT_EQ(r.infoBlock290, c.info290) << c.production;
        EXPECT_EQ(r.infoBlock291, c.info291) << c.production;
    }
}

TEST(FirmwareNames, ChosenRecordIsCopiedIn) {
    test::TempDir dir;
    const auto flash = Flash("BICS3", {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x14}, "T06C2011_MP.BIN",
                             "T06C2011_RDT.BIN");
    ST_STATION_CONFIG r{};
    ApplyFlashRecord(r, flash, dir / "missing.ini", dir / "ISP_FW.ini");
    EXPECT_EQ(FieldText(r.ID), "98 3C 98 B3 76 72-BICS3");
    EXPECT_EQ(FieldText(r.Flh_ID), "98 3c 98 b3 76 72");
    EXPECT_EQ(FieldText(r.Flh_Type), "BiCS3 TLC");
    EXPECT_EQ(FieldText(r.Flh_MakeCode), "KIOXIA");
    EXPECT_EQ(r.flashId, flash.flashId);
    EXPECT_EQ(r.makerCode, 0x98);
    EXPECT_EQ(FieldText(r.ispMpImage), "./Bin/T06C2011_MP.BIN");
    EXPECT_EQ(FieldText(r.ispRdtImage), "./Bin/T06C2011_RDT.BIN");
}

TEST(FirmwareNames, OverrideFileWhenTheStationFileOnDiskConvertsTheFlash) {
    test::TempDir dir;
    const auto station = dir / "s.ini";
    const auto ispFw = dir / "ISP_FW.ini";
    test::WriteText(ispFw, "[CTL]\r\nED3_Micron3D_A1_MP_Firmware=M3DQ0100.BIN\r\n");
    const auto flash = Flash("B0K", {0x2C, 0xB4, 0x78, 0x32, 0xAA, 0x04}, "X.BIN", "Y.BIN");

    ST_STATION_CONFIG r{};
    test::WriteText(station, "[Options]\r\nL06B_To_B0K=1\r\n");
    ApplyFlashRecord(r, flash, station, ispFw);
    EXPECT_EQ(FieldText(r.ispMpImage), "./Bin/M3DQ0100.BIN");
    EXPECT_EQ(FieldText(r.ispRdtImage), "./Bin/"); // a missing key: the folder alone
    EXPECT_EQ(FieldText(r.ICFWVersion), "M3DQ0100");
    EXPECT_EQ(r.infoBlock290, 232u);

    test::WriteText(station, "[Options]\r\nL06B_To_B0K=0\r\n");
    ApplyFlashRecord(r, flash, station, ispFw);
    EXPECT_EQ(FieldText(r.ispMpImage), "./Bin/X.BIN");
}

} // namespace
} // namespace varnet

// The companion file: per-station values that come back when the editor
// switches stations, shared values that do not move, and the renamed keys.
#include "config/companion_file.h"
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

TEST(CompanionPath, NameWithoutExtensionInConfig) {
    EXPECT_EQ(CompanionPathFor("Config\\04_MP.ini"), "./Config/04_MP_Com.cfg");
    EXPECT_EQ(CompanionPathFor("./Param.ini"), "./Config/Param_Com.cfg");
    EXPECT_EQ(CompanionPathFor("/srv/line.a/Station.v2.ini"), "./Config/Station.v2_Com.cfg");
    EXPECT_EQ(CompanionPathFor("NoDot"), "./Config/NoDot_Com.cfg");
}

TEST(CompanionFile, StartsAsACopyOfTheStationFile) {
    test::TempDir dir;
    test::WriteText(dir / "s.ini", "[General Info]\r\nTestStationSel=3\r\n");
    ASSERT_TRUE(EnsureCompanionFile(dir / "s.ini", dir / "c.cfg").ok());
    EXPECT_EQ(test::ReadText(dir / "c.cfg"), "[General Info]\r\nTestStationSel=3\r\n");
    test::WriteText(dir / "s.ini", "[General Info]\r\nTestStationSel=1\r\n");
    ASSERT_TRUE(EnsureCompanionFile(dir / "s.ini", dir / "c.cfg").ok()); // an existing one is kept
    EXPECT_EQ(test::ReadText(dir / "c.cfg"), "[General Info]\r\nTestStationSel=3\r\n");
    EXPECT_FALSE(EnsureCompanionFile(dir / "none.ini", dir / "d.cfg").ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "d.cfg"));
}

ST_STATION_CONFIG MpRecord() {
    ST_STATION_CONFIG r{};
    r.TestStationSel = kStationMp;
    SetFieldText(r.WorkingNo, "WO-77");
    SetFieldText(r.Flh_Type, "BICS3");
    SetFieldText(r.ControllerType, "SSD-7720VA");
    SetFieldText(r.ispMpImage, "./Bin/mp.bin");
    r.DDRSize = 64;
    r.DisableSmartC7 = 1;
    r.SLCPoolSizeSel = 2;
    r.SLCPoolSize = 786432;
    r.eraseType = 0x49;
    r.Byte_146 = 1;
    r.Byte_101 = 3;
    r.Byte_149 = 1;
    r.FailTotalLimitSel = 4;
    r.FailReadLimitSel = 2;
    r.Cycle = 5;
    r.SATA_SSC_Enable = 1;
    r.SetSSDSize = 240;
    SetFieldText(r.setSSDSizeText, "240");
    return r;
}

TEST(CompanionFile, SwitchingStationsBringsBackEachStationsValues) {
    test::TempDir dir;
    const auto companion = dir / "04_MP_Com.cfg";
    StationSaveContext ctx;
    ST_STATION_CONFIG mp = MpRecord();
    ASSERT_TRUE(SaveStationSection(companion, mp, ctx).ok());

    // Switch to RDT: other values there, shared ones changed as well.
    ST_STATION_CONFIG rdt = mp;
    rdt.TestStationSel = kStationRdt;
    rdt.Do_RDT = 1;
    rdt.DisableSmartC7 = 0;
    rdt.SLCPoolSizeSel = 0;
    rdt.eraseType = 0x01;
    rdt.Cycle = 9;
    SetFieldText(rdt.WorkingNo, "WO-78");
    ASSERT_TRUE(SaveStationSection(companion, rdt, ctx).ok());

    // Back to MP: the editor writes the station choice, then loads.
    ASSERT_TRUE(IniWriteString(companion, "General Info", "TestStationSel", "3").ok());
    ST_STATION_CONFIG loaded = rdt;
    LoadStationSection(companion, loaded);
    EXPECT_EQ(loaded.TestStationSel, kStationMp);
    EXPECT_EQ(loaded.Do_RDT, 0);
    EXPECT_EQ(loaded.DisableSmartC7, 1);
    EXPECT_EQ(loaded.SLCPoolSizeSel, 2u);
    EXPECT_EQ(loaded.SLCPoolSize, 786432u);
    EXPECT_EQ(loaded.eraseType, 0x49);
    EXPECT_EQ(loaded.Cycle, 5u);
    EXPECT_EQ(loaded.Byte_101, 3);
    EXPECT_EQ(loaded.FailTotalLimitSel, 4u);
    EXPECT_EQ(loaded.SATA_SSC_Enable, 1);
    EXPECT_EQ(FieldText(loaded.WorkingNo), "WO-78"); // shared
    EXPECT_EQ(loaded.DDRSize, 64u);                  // shared
    EXPECT_EQ(FieldText(loaded.ispMpImage), "./Bin/mp.bin");

    const IniDocument doc = IniDocument::Load(companion);
    EXPECT_EQ(doc.GetString("04_MP", "EraseType", "", 4), "49");
    EXPECT_EQ(doc.GetString("02_RDT", "EraseType", "", 4), "01");
    EXPECT_EQ(doc.GetString("04_MP", "RDT_Byte_101", "", 4), "03");
    EXPECT_FALSE(doc.Find("04_MP", "Byte_101"));
    EXPECT_EQ(doc.GetString("Options", "SetSSDSize", "", 8), "240");
    EXPECT_FALSE(doc.Find("04_MP", "DDRSize"));
    EXPECT_EQ(doc.GetString("Device Info", "7720VAISP_MPBINCode", "", 64), "./Bin/mp.bin");
}

TEST(CompanionFile, LoadLeavesNamesSerialRulesAndBurnInAlone) {
    test::TempDir dir;
    const auto companion = dir / "c.cfg";
    test::WriteText(companion, "[General Info]\r\nTestStationSel=10\r\n[SN Set]\r\nSN_Start=FROMFILE\r\n"
                               "[Write_Read BurnIn]\r\nEnable=1\r\n[03_RDTResult]\r\nRDT_Byte_149=\r\n"
                               "[04_MP]\r\nCheckBBT=1\r\n");
    ST_STATION_CONFIG r{};
    SetFieldText(r.SN_Start, "KEEP");
    r.SetCapacity = 2;
    LoadStationSection(companion, r);
    EXPECT_EQ(r.TestStationSel, 10); // the section is chosen modulo 8: 03_RDTResult
    EXPECT_EQ(r.CheckBBT, 0);
    EXPECT_EQ(FieldText(r.SN_Start), "KEEP");
    EXPECT_EQ(r.wrBurnInEnable, 0);
    EXPECT_EQ(r.SetCapacity, 2u);
    EXPECT_EQ(r.Byte_149, 0); // present but empty: digit by digit, nothing
}

TEST(CompanionFile, SaveDropsStaleKeysOfTheStationSection) {
    test::TempDir dir;
    const auto companion = dir / "c.cfg";
    test::WriteText(companion,
                    "[04_MP]\r\nSmart_Byte_64=1\r\nSmart_Byte_89=1\r\nAutoIncreseSerialNum=1\r\n"
                    "TotalBad_SpecPerDie=9999\r\nHV_Flash=1\r\nDo_Software_ECC=1\r\nDo_HB_Set=1\r\n"
                    "Do_Hard_Bit_Retry_Test=3\r\nMine=1\r\n");
    ST_STATION_CONFIG r = MpRecord();
    ASSERT_TRUE(SaveStationSection(companion, r, {}).ok());
    const IniDocument doc = IniDocument::Load(companion);
    for (const char* gone : {"Smart_Byte_64", "Smart_Byte_89", "AutoIncreseSerialNum", "TotalBad_SpecPerDie",
                             "HV_Flash", "Do_Software_ECC", "Do_HB_Set", "Do_Hard_Bit_Retry_Test"})
        EXPECT_FALSE(doc.Find("04_MP", gone)) << gone;
    EXPECT_EQ(doc.GetString("04_MP", "Mine", "", 4), "1"); // nothing is removed in bulk

    r.TestStationSel = kStationIct;
    ASSERT_TRUE(SaveStationSection(companion, r, {}).ok());
    EXPECT_EQ(IniDocument::Load(companion).GetString("06_ICT", "TotalLaterBad_SpecPerPlane", "", 8), "9999");
}

TEST(CompanionFile, PafecFirmwareVersionForTheBaseEdition) {
    test::TempDir dir;
    StationSaveContext ctx;
    ctx.customer.bytes[16] = 8;
    ctx.pafecFlash = true;
    ST_STATION_CONFIG r = MpRecord();
    SetFieldText(r.ICFWVersion, "T0620C02");
    ASSERT_TRUE(SaveStationSection(dir / "c.cfg", r, ctx).ok());
    EXPECT_EQ(IniDocument::Load(dir / "c.cfg").GetString("Device Info", "ICFWVersion", "", 16), "PAFEC1.0");
    EXPECT_EQ(IniDocument::Load(dir / "c.cfg").GetString("Device Info", "ISP_MPBINCode", "", 64),
              "./Bin/mp.bin");
}

} // namespace
} // namespace varnet

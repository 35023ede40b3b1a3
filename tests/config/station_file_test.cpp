// Loading station files, what a save keeps that other parts wrote, and the
// single-key writes made straight into a station file.
#include "config/station_file.h"
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace varnet {
namespace {

ST_STATION_CONFIG LoadText(const std::string& text, StationNameTable& names,
                           StationLoadOptions options = {}) {
    test::TempDir dir;
    test::WriteText(dir / "s.ini", text);
    ST_STATION_CONFIG record;
    std::memset(&record, 0x5A, sizeof record); // the load must clear everything first
    LoadStationConfig(dir / "s.ini", record, names, options);
    return record;
}

TEST(StationLoad, MissingFileGivesTheDefaults) {
    StationNameTable names;
    names.Set(9, "stale");
    ST_STATION_CONFIG r;
    LoadStationConfig("/nonexistent/none.ini", r, names);
    EXPECT_EQ(r.TestStationSel, 0);
    EXPECT_EQ(r.DDRSize, 32u);
    EXPECT_EQ(r.Skip_Check_RDDebugPage, 1);
    EXPECT_EQ(r.Do_Software_ECC, 1);
    EXPECT_EQ(r.SetCapacity, 1u);
    EXPECT_EQ(r.Enable_Set_Cycle, 1);
    EXPECT_EQ(r.Cycle, 1u);
    EXPECT_EQ(r.Enable_Set_Cycle_SLC, 1);
    EXPECT_EQ(r.Cycle_SLC, 1u);
    EXPECT_EQ(r.Byte_149, 1);
    EXPECT_EQ(r.SN_Len, 12u);
    EXPECT_EQ(FieldText(r.SN_Start), "000000000001");
    EXPECT_EQ(FieldText(r.SN_End), "999999999999");
    EXPECT_EQ(FieldText(r.SN_Mask), "############");
    EXPECT_EQ(FieldText(r.ModelName), "");
    EXPECT_EQ(r.Do_RDT, 0);
    EXPECT_EQ(names.Get(1), "EraseAll");
    EXPECT_EQ(names.Get(8), "ScanBad");
    EXPECT_EQ(names.Get(9), ""); // slots without a preset are cleared
}

TEST(StationLoad, StationNamesFollowTheFile) {
    StationNameTable names;
    LoadText("[StationName]\r\n01=Wipe\r\n02=\r\n09=Extra\r\n04=" + std::string(80, 'N') + "\r\n", names);
    EXPECT_EQ(names.Get(1), "Wipe");
    EXPECT_EQ(names.Get(2), "RDT"); // empty entry: the preset again
    EXPECT_EQ(names.Get(4), std::string(63, 'N'));
    EXPECT_EQ(names.Get(9), "Extra");

    // What the naming dialog starts from: the section as it stands.
    test::TempDir dir;
    test::WriteText(dir / "s.ini", "[StationName]\r\n01=Wipe\r\n02=\r\n");
    const StationNameTable::Slots slots = ReadStationNameSection(dir / "s.ini");
    EXPECT_EQ(slots[0], "Wipe");
    EXPECT_EQ(slots[1], "");
    EXPECT_EQ(slots[2], "");
}

TEST(StationLoad, DerivedAndCorrectedValues) {
    StationNameTable names;
    const ST_STATION_CONFIG r = LoadText("[General Info]\r\nTestStationSel=257\r\n"
                                         "[Flash Info]\r\nFlh_ID=98 3c 98 B3 76 f2 08 1Z\r\n"
                                         "[Options]\r\nPadDriveEnable=1\r\nPadDriving=2\r\nPadODT=3\r\n"
                                         "SetSSDSize=240GB\r\n"
                                         "[EraseAll]\r\nType=49\r\n"
                                         "[RDT]\r\nByte_101=03\r\nFailTotalLimitSel=7\r\nByte_147=05\r\n"
                                         "FailEraseLimitSel=0\r\nByte_148=02\r\nFailProgramLimitSel=3\r\n",
                                         names);
    EXPECT_EQ(r.TestStationSel, 1); // 257 truncated to a byte
    EXPECT_EQ(r.Do_RDT, 1);
    const std::array<uint8_t, 8> id = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0xF2, 0x08, 0x10};
    EXPECT_EQ(r.flashId, id);
    EXPECT_EQ(r.makerCode, 0x98);
    EXPECT_EQ(r.PadDriving, 2);
    for (uint8_t pad : r.padDrive)
        EXPECT_EQ(pad, 2);
    EXPECT_EQ(r.PadODT, 3);
    EXPECT_EQ(r.SetSSDSize, 240u);
    EXPECT_EQ(FieldText(r.setSSDSizeText), "240GB");
    EXPECT_EQ(r.eraseType, 0x49);
    EXPECT_EQ(r.FailTotalLimitSel, 4u);   // 7 disagrees with limit 3: follows the limit
    EXPECT_EQ(r.FailEraseLimitSel, 0u);   // 0 stays 0
    EXPECT_EQ(r.FailProgramLimitSel, 3u); // agrees with limit 2
}

TEST(StationLoad, PadStrengthsAreZeroWhenDriveIsOff) {
    StationNameTable names;
    const ST_STATION_CONFIG r =
        LoadText("[Options]\r\nPadDriveEnable=0\r\nPadDriving=2\r\nPadDrive-CE=3\r\n", names);
    EXPECT_EQ(r.PadDriving, 0);
    for (uint8_t pad : r.padDrive)
        EXPECT_EQ(pad, 0);
}

TEST(StationLoad, CycleDefaultsUnderTheDebugOption) {
    StationNameTable names;
    const ST_STATION_CONFIG r = LoadText("[RDT]\r\nCycle_SLC=7\r\n", names, {.testRdtCycle = true});
    EXPECT_EQ(r.Enable_Set_Cycle, 0);
    EXPECT_EQ(r.Cycle, 0u);
    EXPECT_EQ(r.Enable_Set_Cycle_SLC, 0);
    EXPECT_EQ(r.Cycle_SLC, 7u);
}

TEST(StationLoad, IspKeysFollowTheControllerPrefix) {
    const std::string file = "[Device Info]\r\nControllerType=SSD-7720VA\r\n"
                             "7720VAISP_CodeVersion=20C02\r\n7720VAISP_MPBINCode=./Bin/mp.bin\r\n"
                             "ISP_CodeVersion=plain\r\nISP_RDTBINCode=./Bin/rdt.bin\r\n";
    StationNameTable names;
    const ST_STATION_CONFIG prefixed = LoadText(file, names);
    EXPECT_EQ(FieldText(prefixed.ispCodeVersion), "20C02");
    EXPECT_EQ(FieldText(prefixed.ispMpImage), "./Bin/mp.bin");
    EXPECT_EQ(FieldText(prefixed.ispRdtImage), "");
    const ST_STATION_CONFIG base = LoadText(file, names, {.customerCode = 8});
    EXPECT_EQ(FieldText(base.ispCodeVersion), "plain");
    EXPECT_EQ(FieldText(base.ispRdtImage), "./Bin/rdt.bin");

    EXPECT_EQ(IspKeyPrefix("KV7041-S01", 8), "");
    EXPECT_EQ(IspKeyPrefix("KV7041-S01", 0), "41-S01");
    EXPECT_EQ(IspKeyPrefix("SSD-7720V", 0), "SSD-7720V");
    EXPECT_EQ(IspKeyPrefix("", 0), "");
}

// The same station file with every line end replaced.
std::string WithLineEnds(const std::string& lfText, std::string_view eol) {
    std::string out;
    for (char c : lfText) {
        if (c == '\n')
            out += eol;
        else
            out += c;
    }
    return out;
}

TEST(StationLoad, CrOnlyFileLoadsLikeTheSameFileWithCrlf) {
    const std::string lf = test::ReadText(
        test::SourceDir() / "tests/config/fixtures/station_save/s3_mp_3dv4_pafec_customer8.expected.ini");
    StationNameTable crlfNames;
    StationNameTable crNames;
    const ST_STATION_CONFIG crlf = LoadText(WithLineEnds(lf, "\r\n"), crlfNames);
    const ST_STATION_CONFIG cr = LoadText(WithLineEnds(lf, "\r"), crNames);
    // The file sets these away from their defaults, so a file read as one
    // line would show.
    EXPECT_EQ(crlf.TestStationSel, 3);
    EXPECT_EQ(FieldText(crlf.ModelName), "KV7041-S01");
    EXPECT_EQ(crlf.Flh_Number, 2u);

    EXPECT_EQ(cr.TestStationSel, crlf.TestStationSel);
    EXPECT_EQ(FieldText(cr.ID), FieldText(crlf.ID));
    EXPECT_EQ(FieldText(cr.ModelName), FieldText(crlf.ModelName));
    EXPECT_EQ(FieldText(cr.SerialNum), FieldText(crlf.SerialNum));
    EXPECT_EQ(FieldText(cr.ControllerType), FieldText(crlf.ControllerType));
    EXPECT_EQ(FieldText(cr.ispMpImage), FieldText(crlf.ispMpImage));
    EXPECT_EQ(cr.Flh_Capacity, crlf.Flh_Capacity);
    EXPECT_EQ(cr.Flh_Number, crlf.Flh_Number);
    EXPECT_EQ(cr.flashId, crlf.flashId);
    EXPECT_EQ(cr.DDRSize, crlf.DDRSize);
    EXPECT_EQ(cr.PretestType, crlf.PretestType);
    EXPECT_EQ(cr.SLCPoolSizeSel, crlf.SLCPoolSizeSel);
    EXPECT_EQ(cr.eraseType, crlf.eraseType);
    EXPECT_EQ(cr.SN_Set, crlf.SN_Set);
    EXPECT_EQ(FieldText(cr.SN_Start), FieldText(crlf.SN_Start));
    EXPECT_EQ(FieldText(cr.SN_Mask), FieldText(crlf.SN_Mask));
    EXPECT_EQ(cr.SATA_SSC_Enable, crlf.SATA_SSC_Enable);
    for (int slot = 1; slot <= kStationNameSlots; ++slot)
        EXPECT_EQ(crNames.Get(slot), crlfNames.Get(slot)) << slot;
}

TEST(StationSave, ACrOnlyFileStaysCrOnly) {
    test::TempDir dir;
    const auto file = dir / "04_MP.ini";
    test::WriteText(file, "[General Info]\rTestStationSel=3\rModelName=M1\r[Custom]\rKeep=me\r");
    StationNameTable names;
    ST_STATION_CONFIG r;
    LoadStationConfig(file, r, names);
    EXPECT_EQ(FieldText(r.ModelName), "M1");
    ASSERT_TRUE(SaveStationConfig(r, file, {}, names).ok());
    const std::string saved = test::ReadText(file);
    EXPECT_EQ(saved.find('\n'), std::string::npos);
    EXPECT_NE(saved.find("[Custom]\rKeep=me\r"), std::string::npos);
    EXPECT_EQ(IniDocument::Load(file).GetString("General Info", "ModelName", "", 16), "M1");
}

// A damaged file may hold an unsigned field beyond 31 bits; it is saved as
// the platform prints a 32-bit int, and reads back as the same field value.
TEST(StationSave, UnsignedFieldsBeyond31BitsAreWrittenAsSigned32BitText) {
    test::TempDir dir;
    const auto file = dir / "04_MP.ini";
    test::WriteText(file, "[General Info]\r\nTestStationSel=3\r\n[Flash Info]\r\nFlh_Number=4294967293\r\n");
    StationNameTable names;
    ST_STATION_CONFIG r;
    LoadStationConfig(file, r, names);
    EXPECT_EQ(r.Flh_Number, 4294967293u);
    ASSERT_TRUE(SaveStationConfig(r, file, {}, names).ok());
    EXPECT_EQ(IniDocument::Load(file).GetString("Flash Info", "Flh_Number", "", 16), "-3");
    LoadStationConfig(file, r, names);
    EXPECT_EQ(r.Flh_Number, 4294967293u);
}

TEST(StationSave, KeepsTheKeysOtherPartsWriteIntoRewrittenSections) {
    test::TempDir dir;
    const auto file = dir / "04_MP.ini";
    test::WriteText(file, "[General Info]\r\nTestStationSel=3\r\nSlotNumber=24\r\nMapType=2\r\nStale=1\r\n"
                          "[Flash Info]\r\nCE_Mask=255\r\nFlh_Number=4\r\n"
                          "[Options]\r\nOnlyDoISP=1\r\nSkipBuildFAT=1\r\nAutoIncreseSerialNum=1\r\nOld=1\r\n"
                          "[Smart_Array]\r\nA=1\r\n[Custom]\r\nKeep=me\r\n");
    StationNameTable names;
    ST_STATION_CONFIG r;
    LoadStationConfig(file, r, names);
    EXPECT_EQ(r.OnlyDoISP, 1);
    ASSERT_TRUE(SaveStationConfig(r, file, {}, names).ok());

    const IniDocument saved = IniDocument::Load(file);
    EXPECT_EQ(saved.GetString("General Info", "SlotNumber", "", 8), "24");
    EXPECT_EQ(saved.GetString("General Info", "MapType", "", 8), "2");
    EXPECT_EQ(saved.GetString("Flash Info", "CE_Mask", "", 8), "255");
    EXPECT_EQ(saved.GetString("Options", "OnlyDoISP", "", 8), "1");
    EXPECT_EQ(saved.GetString("Options", "SkipBuildFAT", "", 8), "1");
    EXPECT_EQ(saved.GetString("Options", "AutoIncreseSerialNum", "", 8), "1");
    EXPECT_FALSE(saved.Find("General Info", "Stale"));
    EXPECT_FALSE(saved.Find("Options", "Old"));
    EXPECT_FALSE(saved.HasSection("Smart_Array"));
    EXPECT_EQ(saved.GetString("Custom", "Keep", "", 8), "me");
    EXPECT_EQ(saved.GetString("General Info", "TestStation", "", 16), "F1");
}

TEST(StationSave, KeysWrittenDuringAnEditAreNotUndone) {
    test::TempDir dir;
    const auto file = dir / "04_MP.ini";
    test::WriteText(file,
                    "[General Info]\r\nTestStationSel=3\r\nSerialNum=A001\r\n[SN Set]\r\nSN_Start=A001\r\n");
    StationNameTable names;
    ST_STATION_CONFIG r;
    LoadStationConfig(file, r, names);
    IniDocument doc = IniDocument::Load(file);
    WriteStationConfig(r, doc, {}, names);
    // The main page stores its port count while the editor's save is being
    // prepared: the save must not undo it.
    ASSERT_TRUE(WriteSlotNumber(file, 16).ok());
    ASSERT_TRUE(doc.Save().ok());
    EXPECT_EQ(IniDocument::Load(file).GetString("General Info", "SlotNumber", "", 8), "16");
}

TEST(StationKeys, SingleKeyWritesChangeOnlyTheirKeys) {
    test::TempDir dir;
    const auto file = dir / "s.ini";
    const std::string before = "[General Info]\r\nTestStationSel=3\r\nSerialNum=OLD\r\n"
                               "[Options]\r\nL06B_To_B0K=1\r\nDDRSize=32\r\n[SN Set]\r\nSN_Start=OLD\r\n";
    test::WriteText(file, before);
    ASSERT_TRUE(WriteSerialNumberKeys(file, "NEW0042").ok());
    ASSERT_TRUE(WriteSlotNumber(file, 24).ok());
    ASSERT_TRUE(WriteMapType(file, 1).ok());
    ASSERT_TRUE(WriteSlcPoolSize(file, 786432).ok());
    ASSERT_TRUE(WriteCeMask(file, 0x0F0F).ok());
    ASSERT_TRUE(WriteL06bToB0k(file, false).ok());
    ASSERT_TRUE(WriteTestStationSel(file, 5).ok());
    EXPECT_EQ(test::ReadText(file),
              "[General Info]\r\nTestStationSel=5\r\nSerialNum=NEW0042\r\nSlotNumber=24\r\n"
              "MapType=1\r\n[Options]\r\nDDRSize=32\r\nSLCPoolSize=786432\r\n"
              "[SN Set]\r\nSN_Start=NEW0042\r\n[Flash Info]\r\nCE_Mask=3855\r\n");
    ASSERT_TRUE(WriteL06bToB0k(file, true).ok());
    EXPECT_EQ(IniDocument::Load(file).GetString("Options", "L06B_To_B0K", "", 4), "1");
}

TEST(StationKeys, SerialNumberWriteBacksFromAllPortsAgainstAnEditorSave) {
    test::TempDir dir;
    const auto file = dir / "s.ini";
    test::WriteText(file, "[General Info]\r\nTestStationSel=3\r\n");
    std::vector<std::thread> ports;
    for (int port = 0; port < 24; ++port) {
        ports.emplace_back([&, port] {
            ASSERT_TRUE(IniWriteString(file, "InfoBlock_" + std::to_string(port), "Byte_0", "AA").ok());
            ASSERT_TRUE(WriteSerialNumberKeys(file, "SN" + std::to_string(port)).ok());
        });
    }
    for (auto& port : ports)
        port.join();
    const IniDocument doc = IniDocument::Load(file);
    for (int port = 0; port < 24; ++port)
        EXPECT_EQ(doc.GetString("InfoBlock_" + std::to_string(port), "Byte_0", "", 4), "AA");
    EXPECT_EQ(doc.GetString("SN Set", "SN_Start", "", 64),
              doc.GetString("General Info", "SerialNum", "", 64));
}

TEST(StationKeys, CopyInfoBlockCopiesNonEmptyBytesIntoThePortSection) {
    test::TempDir dir;
    const auto source = dir / "04_MP.ini";
    const auto destination = dir / "InfoBlock.ini";
    std::string text = "[InfoBlock]\r\n";
    for (int byte = 0; byte < 512; ++byte)
        text += "Byte_" + std::to_string(byte) + "=" + (byte == 7 ? "" : "0" + std::to_string(byte % 10)) +
                "\r\n";
    test::WriteText(source, text);
    test::WriteText(destination, "[InfoBlock_3]\r\nByte_7=FF\r\nByte_1=11\r\n");
    ASSERT_TRUE(CopyInfoBlock(destination, source, 259).ok()); // port number taken as a byte: 3
    const IniDocument copied = IniDocument::Load(destination);
    EXPECT_EQ(copied.GetString("InfoBlock_3", "Byte_0", "", 8), "00");
    EXPECT_EQ(copied.GetString("InfoBlock_3", "Byte_1", "", 8), "01");
    EXPECT_EQ(copied.GetString("InfoBlock_3", "Byte_7", "", 8), "FF"); // empty source value: untouched
    EXPECT_EQ(copied.GetString("InfoBlock_3", "Byte_511", "", 8), "01");
    EXPECT_EQ(copied.KeyNames("InfoBlock_3").size(), 512u);
}

} // namespace
} // namespace varnet

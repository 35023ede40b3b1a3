// Station files saved by the settings editor, checked against files worked
// out by hand from the editor's save rules: for each station, a realistic file
// as found in the field is loaded, optionally edited, saved under a given
// customer/flash context, and the result compared key by key with the
// expected file next to it. Line order and line endings do not matter to the
// device library, so they do not matter here either.
#include "config/station_file.h"
#include "platform/ini_text.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace varnet {
namespace {

using test::ReadText;
using test::SourceDir;
using test::TempDir;
using test::WriteText;

std::filesystem::path FixtureDir() {
    return SourceDir() / "tests" / "config" / "fixtures" / "station_save";
}

// Section names in file order, each once (names compare without case).
std::vector<std::string> SectionNames(std::string_view bytes) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = TrimBlanks(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() != '[')
            continue;
        const size_t close = line.find(']');
        if (close == std::string_view::npos)
            continue;
        const std::string name(TrimBlanks(line.substr(1, close - 1)));
        const bool known = std::any_of(names.begin(), names.end(),
                                       [&](const std::string& n) { return EqualsNoCase(n, name); });
        if (!known)
            names.push_back(name);
    }
    return names;
}

std::string Shown(std::optional<std::string_view> value) {
    return value ? "\"" + std::string(*value) + "\"" : "(absent)";
}

// Every key whose value differs between the two files, one line each. A
// section without keys counts as absent.
std::vector<std::string> KeyDifferences(std::string_view expectedBytes, std::string_view actualBytes) {
    const IniText expected = IniText::Parse(expectedBytes);
    const IniText actual = IniText::Parse(actualBytes);
    std::vector<std::string> sections = SectionNames(expectedBytes);
    for (const std::string& name : SectionNames(actualBytes)) {
        if (std::none_of(sections.begin(), sections.end(),
                         [&](const std::string& n) { return EqualsNoCase(n, name); }))
            sections.push_back(name);
    }
    std::vector<std::string> differences;
    for (const std::string& section : sections) {
        std::vector<std::string> keys = expected.KeyNames(section);
        for (const std::string& key : actual.KeyNames(section)) {
            if (std::none_of(keys.begin(), keys.end(),
                             [&](const std::string& k) { return EqualsNoCase(k, key); }))
                keys.push_back(key);
        }
        for (const std::string& key : keys) {
            const auto want = expected.Find(section, key);
            const auto got = actual.Find(section, key);
            if (want != got)
                differences.push_back("[" + section + "] " + key + ": expected " + Shown(want) + ", actual " +
                                      Shown(got));
        }
    }
    return differences;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

// --- Field-by-field record comparison, so a difference names its field. ---

template <size_t N> std::string FieldShown(const std::array<char, N>& field) {
    return "\"" + std::string(FieldText(field)) + "\"";
}
template <size_t N> std::string FieldShown(const std::array<uint8_t, N>& field) {
    std::string text;
    for (uint8_t byte : field) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", byte);
        text += hex;
    }
    return text;
}
template <class T> std::string FieldShown(const T& value) {
    return std::to_string(+value);
}

template <size_t N> bool FieldsEqual(const std::array<char, N>& a, const std::array<char, N>& b) {
    return FieldText(a) == FieldText(b);
}
template <class T> bool FieldsEqual(const T& a, const T& b) {
    return a == b;
}

// clang-format off
#define VARNET_STATION_FIELDS(X) \
    X(ID) \
    X(TestStationSel) \
    X(TestStation) \
    X(WorkingNo) \
    X(ModelName) \
    X(SerialNum) \
    X(MaxCurrent) \
    X(Flh_Type) \
    X(Flh_MakeCode) \
    X(Flh_Capacity) \
    X(Flh_CapacitySel) \
    X(Flh_Number) \
    X(Flh_NumberSel) \
    X(Flh_ID) \
    X(flashId) \
    X(FlashClock) \
    X(FlashInterface) \
    X(CE_Mask) \
    X(makerCode) \
    X(SATASpeed) \
    X(ControllerType) \
    X(ICFWVersion) \
    X(ispCodeVersion) \
    X(ispMpImage) \
    X(ispRdtImage) \
    X(UpdateFW) \
    X(SSDSize) \
    X(Do_BurnIn_PreTest) \
    X(DDRSize) \
    X(OnlyDoISP) \
    X(SkipBuildFAT) \
    X(AutoIncreseSerialNum) \
    X(Check_RDT_Table) \
    X(CheckRDTExist) \
    X(setSSDSizeText) \
    X(SetSSDSize) \
    X(SetSSDSizeLBA) \
    X(UsePartialSize) \
    X(DEVSLP_Enable) \
    X(Put_Thermal_Sensor) \
    X(SetFirmwareName) \
    X(CheckBBT) \
    X(AfterMPDoResetSMART) \
    X(DisableSmart05) \
    X(DisableSmartC4) \
    X(DisableSmartC7) \
    X(DisableSmartC2) \
    X(EnableSmartC3) \
    X(DefineC7_0) \
    X(DefineA3_PlaneBad) \
    X(ShowCTLTemp) \
    X(Skip_Check_RDDebugPage) \
    X(SLCPoolSize) \
    X(SLCPoolSizeSel) \
    X(infoBlock290) \
    X(infoBlock291) \
    X(Enable_Set_Custom_SMART_Temperature) \
    X(Set_Custom_SMART_Temperature) \
    X(L06B_To_B0K) \
    X(PretestType) \
    X(CloseSpeedOptimize) \
    X(RDTLED_StateSel) \
    X(PadODTEnable) \
    X(PadODT) \
    X(PadDriveEnable) \
    X(PadDriving) \
    X(padDrive) \
    X(PMASetting) \
    X(EnableCEMask) \
    X(SetCEMask) \
    X(Do_Erase_First) \
    X(ForceToErase) \
    X(eraseType) \
    X(wrBurnInEnable) \
    X(SetCapacity) \
    X(Capacity) \
    X(Do_RDT) \
    X(Enable_Set_Cycle) \
    X(Cycle) \
    X(Enable_Set_Cycle_SLC) \
    X(Cycle_SLC) \
    X(Enable_ECCthreshold_MarkBad) \
    X(ECCthreshold) \
    X(SLCECCthreshold) \
    X(Enable_Open_Block_Test) \
    X(ReadRetrySel) \
    X(Byte_146) \
    X(Byte_101) \
    X(Byte_147) \
    X(Byte_148) \
    X(Byte_149) \
    X(FailTotalLimitSel) \
    X(FailEraseLimitSel) \
    X(FailProgramLimitSel) \
    X(FailReadLimitSel) \
    X(SATA_SSC_Enable) \
    X(SN_Set) \
    X(SN_Type) \
    X(SN_Len) \
    X(SN_Start) \
    X(SN_End) \
    X(SN_Mask) \
    X(HV_Flash) \
    X(Do_Software_ECC) \
    X(skip_BadSpec_byFW) \
    X(ScanBad_CheckByDie) \
    X(Do_Hard_Bit_Retry_Test) \
    X(Do_HB_Set) \
    X(TotalLaterBad_SpecPerDie) \
    X(TotalBad_SpecPerDie) \
    X(BICS2_Ve5_RetryReadTable) \
    X(Retention_Test) \
    X(DoBurnInTest) \
    X(SkipScanBad) \
    X(High_temp_Crystal_Config)
// clang-format on

std::vector<std::string> RecordDifferences(const ST_STATION_CONFIG& a, const ST_STATION_CONFIG& b) {
    std::vector<std::string> differences;
#define VARNET_COMPARE_FIELD(field)                                                                          \
    if (!FieldsEqual(a.field, b.field))                                                                      \
        differences.push_back(std::string(#field) + ": " + FieldShown(a.field) + " then " +                  \
                              FieldShown(b.field));
    VARNET_STATION_FIELDS(VARNET_COMPARE_FIELD)
#undef VARNET_COMPARE_FIELD
    return differences;
}

// --- The cases. ---

struct SaveCase {
    const char* stem; // <stem>.in.ini is loaded, <stem>.expected.ini is what the save must leave
    uint8_t customerCode = 0;
    std::vector<size_t> customerBytes = {}; // option bytes of the customer record that are set
    uint8_t family = 0;
    uint8_t maker = 0;
    bool pafecFlash = false;
    bool testRdtCycle = false;
    // What the operator changed in the editor between loading and saving.
    void (*edit)(ST_STATION_CONFIG&, StationNameTable&) = nullptr;
    // False when the first save writes a value the station file cannot give
    // back on the next load (the RDT LED choice lives in the companion file).
    bool firstSaveReadsBack = true;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
    *out << c.stem;
}

// The loader needs the customer code too: it names the ISP keys.
StationLoadOptions LoadOptionsOf(const SaveCase& c) {
    return {.testRdtCycle = c.testRdtCycle, .customerCode = c.customerCode};
}

StationSaveContext ContextOf(const SaveCase& c) {
    StationSaveContext context;
    context.customer.bytes[16] = c.customerCode;
    for (size_t n : c.customerBytes)
        context.customer.bytes[n] = 1;
    context.flashFamily = c.family;
    context.makerCode = c.maker;
    context.pafecFlash = c.pafecFlash;
    return context;
}

const SaveCase kCases[] = {
    // Plain EraseAll file: erase type 0x49, overclocking at 150 MHz Toggle 1.0,
    // hard-bit retry forced on for maker 0x98, the main page's port settings
    // and the CE mask carried, stale RDT/InfoBlock/SMART sections gone. The
    // input has Windows line ends.
    {.stem = "s0_erase_all_bics3", .customerBytes = {37}, .family = 16, .maker = 0x98},
    // RDT with fail limits (one stale position corrected on load), every
    // customer RDT byte, BICS4 from maker 0x45, a short controller name as
    // ISP prefix, firmware 'C' in the fourth place, a file switched over from
    // MP (wrong station code, Do_RDT 0).
    {.stem = "s1_rdt_limits_bics4", .customerBytes = {39, 43, 45}, .family = 17, .maker = 0x45},
    // RDT without fail limits for customer 5 on BICS2: Byte_86/87, cycle keys
    // absent in the file come back as 1, Bin1 flash, the LED "OFF" choice,
    // overclocking removed for Toggle 2.0, write/read burn-in on.
    {.stem = "s1_rdt_bics2_customer5",
     .customerCode = 5,
     .customerBytes = {37},
     .family = 15,
     .maker = 0x98,
     .firstSaveReadsBack = false},
    // RDTResult on 3DV4 under the TestRDTCycle option: the twelve bad-block limits at 9999,
    // the 65535 retry threshold, a limit of FF ("Ignore"), no open-block test
    // without Do_RDT, an unknown maker dropping hard-bit retry.
    {.stem = "s2_rdt_result_3dv4", .family = 23, .maker = 0xEC, .testRdtCycle = true},
    // MP on B27A 512 GB: capacity bytes "80", customer bytes 37/47/49, pad
    // drive strengths from PadDriving, RDT limits for PretestType 3, custom
    // temperature forced off at 0, a "3DV4" detect that only counts for
    // customer 8.
    {.stem = "s3_mp_b27a_512g",
     .customerBytes = {37, 47, 49},
     .family = 21,
     .maker = 0x2C,
     .pafecFlash = true},
    // MP on B27A just under 288 GB once rounded down to whole GB: "40". A
    // nine-character controller name is the whole ISP prefix; customer 5 adds
    // nothing for B27A; PretestType 2 keeps the limits out.
    {.stem = "s3_mp_b27a_288g_customer5",
     .customerCode = 5,
     .customerBytes = {37},
     .family = 21,
     .maker = 0x2C},
    // Customer 8 MP after detecting a 3DV4 flash: "PAFEC1.0", ISP keys without
    // prefix, the 3DV4 extras.
    {.stem = "s3_mp_3dv4_pafec_customer8",
     .customerCode = 8,
     .family = 23,
     .maker = 0xAD,
     .pafecFlash = true},
    // Customer 8 MP on N18: the file's own firmware name wins over PAFEC,
    // capacity byte always "40", PretestType 3 without limits enabled.
    {.stem = "s3_mp_n18_customer8",
     .customerCode = 8,
     .customerBytes = {49},
     .family = 29,
     .maker = 0x2C,
     .pafecFlash = true},
    // Customer 5 MP on BICS3 from maker 0x45, edited before saving: SLC buffer,
    // custom temperature, pretest type.
    {.stem = "s3_mp_bics3_customer5_maker45",
     .customerCode = 5,
     .family = 16,
     .maker = 0x45,
     .edit =
         [](ST_STATION_CONFIG& r, StationNameTable&) {
             r.PretestType = 1;
             r.SLCPoolSizeSel = 4;
             r.SLCPoolSize = 3145728;
             r.Enable_Set_Custom_SMART_Temperature = 1;
             r.Set_Custom_SMART_Temperature = 40;
         }},
    // ReMP on BICS4: its two own options, the every-station options, MP-only
    // keys dropped; station slots renamed in the file and in the naming
    // dialog, one slot emptied there.
    {.stem = "s4_remp_bics4",
     .customerBytes = {37},
     .family = 17,
     .maker = 0x98,
     .edit =
         [](ST_STATION_CONFIG& r, StationNameTable& names) {
             names.Set(9, "QA Sample");
             names.Set(10, "");
             r.Retention_Test = 3;
         }},
    // ICT for customer 5 on BICS2: the bad-block limits plus the 9999 retry threshold;
    // empty name slots; unknown keys of [SN Set]/[Other] and an unknown
    // section stay.
    {.stem = "s5_ict_bics2_customer5", .customerCode = 5, .family = 15, .maker = 0x98},
    // UpdateFW with an image path, hard-bit retry set by the file.
    {.stem = "s6_update_fw_path", .customerBytes = {37}, .family = 16, .maker = 0x98},
    // UpdateFW whose path the operator cleared; a three-character firmware
    // version has no fourth character.
    {.stem = "s6_update_fw_no_path",
     .family = 14,
     .maker = 0xEC,
     .edit = [](ST_STATION_CONFIG& r, StationNameTable&) { SetFieldText(r.UpdateFW, ""); }},
    // ScanBad on 3DV5: scan options, EraseAll type 09, the station code as
    // the file has it (this station's save never sets it).
    {.stem = "s7_scan_bad_3dv5", .family = 25, .maker = 0x2C},
};

class StationSaveFixture : public ::testing::TestWithParam<SaveCase> {
protected:
    // Loads the case's input into file, applies the edit and saves; returns the saved record.
    ST_STATION_CONFIG LoadEditSave(const std::filesystem::path& file) {
        const SaveCase& c = GetParam();
        const std::string input = ReadText(FixtureDir() / (std::string(c.stem) + ".in.ini"));
        EXPECT_FALSE(input.empty()) << "missing fixture " << c.stem << ".in.ini";
        WriteText(file, input);
        ST_STATION_CONFIG record{};
        StationNameTable names;
        LoadStationConfig(file, record, names, LoadOptionsOf(c));
        if (c.edit)
            c.edit(record, names);
        const Status status = SaveStationConfig(record, file, ContextOf(c), names);
        EXPECT_TRUE(status.ok()) << status.message();
        return record;
    }

    std::string Expected() const {
        const std::string text = ReadText(FixtureDir() / (std::string(GetParam().stem) + ".expected.ini"));
        EXPECT_FALSE(text.empty()) << "missing fixture " << GetParam().stem << ".expected.ini";
        return text;
    }
};

TEST_P(StationSaveFixture, SavedFileHasExactlyTheExpectedKeys) {
    TempDir dir;
    const auto file = dir / "station.ini";
    const ST_STATION_CONFIG saved = LoadEditSave(file);
    const std::string expected = Expected();

    const auto differences = KeyDifferences(expected, ReadText(file));
    EXPECT_TRUE(differences.empty()) << differences.size() << " difference(s):\n" << Joined(differences);

    // The save hands the InfoBlock bytes it derived back to the record.
    const bool e8 =
        IniText::Parse(expected).Find("InfoBlock", "Byte_290") == std::optional<std::string_view>("E8");
    EXPECT_EQ(saved.infoBlock290, e8 ? 232u : 0u);
    EXPECT_EQ(saved.infoBlock291, e8 ? 3u : 0u);
}

// A saved file is what the next load starts from: loading it and saving it
// again must neither lose nor change anything.
TEST_P(StationSaveFixture, ReloadAndSaveAgainIsStable) {
    const SaveCase& c = GetParam();
    TempDir dir;
    const auto file = dir / "station.ini";
    (void)LoadEditSave(file);
    const std::string firstSave = ReadText(file);

    ST_STATION_CONFIG reloaded{};
    StationNameTable reloadedNames;
    LoadStationConfig(file, reloaded, reloadedNames, LoadOptionsOf(c));
    ST_STATION_CONFIG toSave = reloaded;
    const Status status = SaveStationConfig(toSave, file, ContextOf(c), reloadedNames);
    ASSERT_TRUE(status.ok()) << status.message();
    const std::string secondSave = ReadText(file);

    ST_STATION_CONFIG again{};
    StationNameTable againNames;
    LoadStationConfig(file, again, againNames, LoadOptionsOf(c));

    const auto recordDifferences = RecordDifferences(reloaded, again);
    EXPECT_TRUE(recordDifferences.empty()) << "load after first save, then after second:\n"
                                           << Joined(recordDifferences);
    EXPECT_EQ(reloadedNames.GetAll(), againNames.GetAll());
    if (c.firstSaveReadsBack) {
        const auto fileDifferences = KeyDifferences(firstSave, secondSave);
        EXPECT_TRUE(fileDifferences.empty()) << "first save vs second save:\n" << Joined(fileDifferences);
    }
}

INSTANTIATE_TEST_SUITE_P(Stations, StationSaveFixture, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SaveCase>& param) {
                             return std::string(param.param.stem);
                         });

// --- Every key at a non-default value. ---
//
// Nothing may be lost on the way through load and save except what the save
// rules themselves drop or derive; those keys are listed one by one.

enum class Fate { kKept, kDropped, kDerived };

struct KeyCase {
    std::string section;
    std::string key;
    std::string value; // in the file before the save
    Fate fate = Fate::kKept;
    std::string derived = {}; // the value after the save, for kDerived
};

KeyCase Kept(std::string section, std::string key, std::string value) {
    return {std::move(section), std::move(key), std::move(value), Fate::kKept};
}
KeyCase Dropped(std::string section, std::string key, std::string value) {
    return {std::move(section), std::move(key), std::move(value), Fate::kDropped};
}
KeyCase Derived(std::string section, std::string key, std::string value, std::string derived) {
    return {std::move(section), std::move(key), std::move(value), Fate::kDerived, std::move(derived)};
}

// Keys whose fate is the same for the MP and the RDT station under the
// context below (customer 0, no option bytes, BICS3 from maker 0x98).
std::vector<KeyCase> CommonKeys() {
    std::vector<KeyCase> keys = {
        Kept("ConfigID", "ID", "98 3A 98 A3 76 51-BICS3"),
        Kept("General Info", "WorkingNo", "WO-2406-9001"),
        Kept("General Info", "ModelName", "VN-S500 480GB"),
        Kept("General Info", "SerialNum", "Z24069900001"),
        Kept("General Info", "MaxCurrent", "1500"),
        Kept("General Info", "SlotNumber", "16"),
        Kept("General Info", "MapType", "2"),
        Kept("Flash Info", "Flh_Type", "BICS3"),
        Kept("Flash Info", "Flh_MakeCode", "TSB"),
        Kept("Flash Info", "Flh_ID", "98 3A 98 A3 76 51 08 14"),
        Kept("Flash Info", "Flh_Capacity", "491520"),
        Kept("Flash Info", "Flh_CapacitySel", "30"),
        Kept("Flash Info", "Flh_Number", "8"),
        Kept("Flash Info", "Flh_NumberSel", "8"),
        Kept("Flash Info", "Flash Clock", "200"),
        Kept("Flash Info", "Flash Interface", "3"),
        Kept("Flash Info", "CE_Mask", "255"),
        Kept("Device Info", "SATASpeed", "2"),
        Kept("Device Info", "ControllerType", "SSD-7720VA"),
        Kept("Device Info", "7720VAISP_CodeVersion", "ISP0312"),
        Kept("Device Info", "7720VAISP_MPBINCode", "Bin\\SBFC0312_MP.bin"),
        Kept("Device Info", "7720VAISP_RDTBINCode", "Bin\\SBFC0312_RDT.bin"),
        Kept("Device Info", "SSD Size", "M.2"),
        Dropped("Device Info", "Update FW", "Bin\\SBFC0300.bin"), // UpdateFW station only
        Kept("Options", "DDRSize", "64"),
        Kept("Options", "OnlyDoISP", "1"),
        Kept("Options", "SkipBuildFAT", "1"),
        Kept("Options", "AutoIncreseSerialNum", "1"),
        Kept("Options", "SetSSDSize", "480"),
        Kept("Options", "SetSSDSizeLBA", "937703088"),
        Kept("Options", "Use Partial Size", "1"),
        Kept("Options", "DEVSLP_Enable", "1"),
        Kept("Options", "CheckRDTExist", "1"),
        Kept("Options", "Put_Thermal_Sensor", "1"),
        Kept("Options", "Set Firmware Name", "SBFC0312X"),
        Kept("Options", "L06B_To_B0K", "1"),
        Derived("Options", "Skip_Check_RDDebugPage", "0", "1"),
        Kept("Options", "PretestType", "3"),
        Kept("Options", "PadODTEnable", "1"),
        Kept("Options", "PadODT", "2"),
        Kept("Options", "PadDriveEnable", "1"),
        Kept("Options", "PadDriving", "1"),
        Kept("Options", "PMASetting", "42003"),
        Kept("Options", "ForceToErase", "1"),
        Kept("Options", "EnableCEMask", "1"),
        Kept("Options", "SetCEMask", "65535"),
        Kept("Options", "HV_Flash", "1"),
        Derived("Options", "Do_Software_ECC", "0", "1"), // written "1" with HV_Flash
        Kept("Options", "ScanBad_CheckByDie", "1"),
        Kept("Options", "Do_HB_Set", "1"),
        Kept("Options", "Do_Hard_Bit_Retry_Test", "3"),
        Kept("Options", "skip_BadSpec_byFW", "1"),
        Kept("Options", "Retention_Test", "2"),
        Kept("Options", "DoBurnInTest", "1"),
        Kept("Options", "SkipScanBad", "1"),
        Dropped("Options", "RDTLED_StateSel", "1"),              // kept in the companion file only
        Dropped("Options", "CheckBBT", "1"),                     // ReMP only
        Dropped("Options", "AfterMPDoResetSMART", "1"),          // ReMP only
        Dropped("Options", "EnableOverClocking", "1"),           // customer byte 37 clear
        Dropped("Options", "Set_LBTOEB", "10"),                  // customer byte 47 clear
        Dropped("Options", "EnhanceSpecialData", "2"),           // 3DV4/3DV5 only
        Dropped("Options", "ReadRetryThreshold", "65535"),       // 3DV4/3DV5 or customer 5 on BICS only
        Dropped("Options", "RecordEraseFail_EarlyOrLater", "1"), // maker 0x45 only
        Dropped("Options", "Skip_Check_CEErrorBit", "1"),        // BICS4 only
        Kept("Write_Read BurnIn", "Enable", "1"),
        Kept("Write_Read BurnIn", "SetCapacity", "2"),
        Kept("Write_Read BurnIn", "Capacity", "4096"),
        Kept("EraseAll", "Do_Erase_First", "1"),
        Kept("EraseAll", "Type", "41"),
        Kept("RDT", "Byte_146", "1"),
        Kept("RDT", "Byte_101", "0A"),
        Kept("RDT", "Byte_147", "03"),
        Kept("RDT", "Byte_148", "03"),
        Kept("RDT", "Byte_149", "05"),
        Kept("RDT", "FailTotalLimitSel", "11"),
        Kept("RDT", "FailEraseLimitSel", "4"),
        Kept("RDT", "FailProgramLimitSel", "4"),
        Kept("RDT", "FailReadLimitSel", "6"),
        Dropped("RDT", "Enable_Set_Cycle", "0"), // written only when not 0
        Dropped("RDT", "Byte_151", "1"),         // customer byte 39 clear
        Dropped("RDT", "Byte_179", "1"),         // customer byte 45 clear, customer not 1
        Dropped("RDT", "Byte_180", "1"),         // customer byte 43 clear, customer not 1/2
        Dropped("RDT", "Byte_86", "1"),          // customer 5 on BICS only
        Dropped("RDT", "Byte_87", "1"),
        Kept("InfoBlock", "Byte_290", "E8"), // firmware 'C'
        Kept("InfoBlock", "Byte_291", "03"),
        Dropped("InfoBlock", "Byte_0", "5A"),
        Dropped("InfoBlock", "Byte_136", "00"), // B27A/N18 MP only
        Dropped("InfoBlock", "Byte_138", "80"),
        Dropped("InfoBlock", "Byte_203", "01"),
        Dropped("Smart_Array", "05", "1"),
        Dropped("Smart_Array", "C4", "1"),
        Kept("SN Set", "SN_Set", "1"),
        Kept("SN Set", "SN_Type", "2"),
        Kept("SN Set", "SN_Len", "16"),
        Kept("SN Set", "SN_Start", "Z240699000000001"),
        Kept("SN Set", "SN_End", "Z240699999999999"),
        Kept("SN Set", "SN_Mask", "Z240699#########"),
        Kept("Other", "SATA_SSC_Enable", "1"),
    };
    char slot[3];
    for (int n = 1; n <= kStationNameSlots; ++n) {
        std::snprintf(slot, sizeof slot, "%02d", n);
        keys.push_back(Kept("StationName", slot, std::string("Line-") + slot));
    }
    // Every pad strength follows PadDriving, whatever the file says.
    for (std::string_view pad : kPadDriveKeys)
        keys.push_back(Derived("Options", std::string(pad), "3", "1"));
    // The loaded limits are not what a save writes: only the result stations
    // write the twelve limits, as 9999.
    for (std::string_view limit : kBadBlockSpecKeys)
        keys.push_back(Dropped("Options", std::string(limit), "50"));
    return keys;
}

std::vector<KeyCase> MpKeys() {
    std::vector<KeyCase> keys = CommonKeys();
    const std::vector<KeyCase> mp = {
        Kept("General Info", "TestStationSel", "3"),
        Derived("General Info", "TestStation", "PreF1", "F1"),
        Kept("Device Info", "ICFWVersion", "SBFC0312"),
        Dropped("Options", "Do_BurnIn_PreTest", "1"),
        Kept("Options", "Check_RDT_Table", "1"),
        Kept("Options", "Enable_Set_Custom_SMART_Temperature", "1"),
        Kept("Options", "Set_Custom_SMART_Temperature", "45"),
        Derived("Options", "Smart_Table", "2", "0"), // customer byte 49 clear
        Kept("Options", "DisableSmart05", "1"),
        Kept("Options", "DisableSmartC4", "1"),
        Kept("Options", "DisableSmartC2", "1"),
        Kept("Options", "DisableSmartC7", "1"),
        Kept("Options", "EnableSmartC3", "1"),
        Kept("Options", "DefineA3_PlaneBad", "1"),
        Kept("Options", "DefineC7_0", "1"),
        Kept("Options", "ShowCTLTemp", "1"),
        Kept("Options", "BICS2_Ve5_RetryReadTable", "1"),
        Kept("Options", "SLCPoolSizeSel", "3"),
        Kept("Options", "SLCPoolSize", "1572864"),
        Kept("Options", "CloseSpeedOptimize", "1"),
        Derived("Options", "Disable_DIPM_Support", "0", "1"),
        Dropped("Options", "RDTLED_State", "2"), // RDT stations only
        Dropped("Options", "ECC threshold", "70"),
        Dropped("Options", "SLC ECC threshold", "40"),
        Dropped("Options", "Enable_ECCthreshold_MarkBad", "1"),
        Dropped("RDT", "Do_RDT", "1"),
        Dropped("RDT", "Cycle", "5000"),
        Dropped("RDT", "Enable_Set_Cycle_SLC", "1"),
        Dropped("RDT", "Cycle_SLC", "40000"),
        Dropped("RDT", "Enable_Open_Block_Test", "1"),
        Dropped("RDT", "ReadRetrySel", "2"),
        Dropped("RDT", "Byte_189", "1"),
        Dropped("RDT", "High_temp_Crystal_Config", "2"),
    };
    keys.insert(keys.end(), mp.begin(), mp.end());
    return keys;
}

std::vector<KeyCase> RdtKeys() {
    std::vector<KeyCase> keys = CommonKeys();
    const std::vector<KeyCase> rdt = {
        Kept("General Info", "TestStationSel", "1"),
        Derived("General Info", "TestStation", "F1", "PreF1"),
        Kept("Device Info", "ICFWVersion", "SBFQ0312"),
        Kept("Options", "Do_BurnIn_PreTest", "1"),
        Dropped("Options", "Check_RDT_Table", "1"),
        Dropped("Options", "Enable_Set_Custom_SMART_Temperature", "1"),
        Dropped("Options", "Set_Custom_SMART_Temperature", "45"),
        Dropped("Options", "Smart_Table", "2"),
        Dropped("Options", "DisableSmart05", "1"),
        Dropped("Options", "DisableSmartC4", "1"),
        Dropped("Options", "DisableSmartC2", "1"),
        Dropped("Options", "DisableSmartC7", "1"),
        Dropped("Options", "EnableSmartC3", "1"),
        Dropped("Options", "DefineA3_PlaneBad", "1"),
        Dropped("Options", "DefineC7_0", "1"),
        Dropped("Options", "ShowCTLTemp", "1"),
        Dropped("Options", "BICS2_Ve5_RetryReadTable", "1"),
        Dropped("Options", "SLCPoolSizeSel", "3"),
        Dropped("Options", "SLCPoolSize", "1572864"),
        Dropped("Options", "CloseSpeedOptimize", "1"),
        Dropped("Options", "Disable_DIPM_Support", "1"),
        Derived("Options", "RDTLED_State", "0", "2"), // from RDTLED_StateSel 1
        Kept("Options", "ECC threshold", "70"),
        Kept("Options", "SLC ECC threshold", "40"),
        Kept("Options", "Enable_ECCthreshold_MarkBad", "1"),
        Derived("RDT", "Do_RDT", "0", "1"), // set for the RDT station on load
        Kept("RDT", "Cycle", "5000"),
        Kept("RDT", "Enable_Set_Cycle_SLC", "1"),
        Kept("RDT", "Cycle_SLC", "40000"),
        Kept("RDT", "Enable_Open_Block_Test", "1"),
        Kept("RDT", "ReadRetrySel", "1"),
        Derived("RDT", "Byte_189", "1", "0"), // read retry "ON"
        Kept("RDT", "High_temp_Crystal_Config", "2"),
    };
    keys.insert(keys.end(), rdt.begin(), rdt.end());
    return keys;
}

std::string FileOf(const std::vector<KeyCase>& keys) {
    std::vector<std::string> sections;
    for (const KeyCase& k : keys) {
        if (std::find(sections.begin(), sections.end(), k.section) == sections.end())
            sections.push_back(k.section);
    }
    std::string text;
    for (const std::string& section : sections) {
        text += "[" + section + "]\r\n";
        for (const KeyCase& k : keys) {
            if (k.section == section)
                text += k.key + "=" + k.value + "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

void ExpectEveryKeyAccountedFor(const std::vector<KeyCase>& keys) {
    TempDir dir;
    const auto file = dir / "station.ini";
    WriteText(file, FileOf(keys));
    ST_STATION_CONFIG record{};
    StationNameTable names;
    LoadStationConfig(file, record, names);
    StationSaveContext context;
    context.flashFamily = 16;
    context.makerCode = 0x98;
    const Status status = SaveStationConfig(record, file, context, names);
    ASSERT_TRUE(status.ok()) << status.message();
    const std::string savedBytes = ReadText(file);
    const IniText saved = IniText::Parse(savedBytes);

    for (const KeyCase& k : keys) {
        const auto got = saved.Find(k.section, k.key);
        switch (k.fate) {
        case Fate::kKept:
            EXPECT_EQ(Shown(got), Shown(k.value)) << "[" << k.section << "] " << k.key << " must be kept";
            break;
        case Fate::kDropped:
            EXPECT_EQ(Shown(got), Shown(std::nullopt))
                << "[" << k.section << "] " << k.key << " must be dropped";
            break;
        case Fate::kDerived:
            EXPECT_EQ(Shown(got), Shown(k.derived)) << "[" << k.section << "] " << k.key << " is derived";
            break;
        }
    }
    // Nothing appears that the list does not account for.
    for (const std::string& section : SectionNames(savedBytes)) {
        for (const std::string& key : saved.KeyNames(section)) {
            const bool listed = std::any_of(keys.begin(), keys.end(), [&](const KeyCase& k) {
                return k.fate != Fate::kDropped && EqualsNoCase(k.section, section) &&
                       EqualsNoCase(k.key, key);
            });
            EXPECT_TRUE(listed) << "unexpected [" << section << "] " << key << "="
                                << Shown(saved.Find(section, key));
        }
    }
}

TEST(StationSaveEveryKey, MpKeepsAllButWhatItsRulesDropOrDerive) {
    ExpectEveryKeyAccountedFor(MpKeys());
}

TEST(StationSaveEveryKey, RdtKeepsAllButWhatItsRulesDropOrDerive) {
    ExpectEveryKeyAccountedFor(RdtKeys());
}

} // namespace
} // namespace varnet

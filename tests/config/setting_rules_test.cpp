// The Configuration page's rules that need no widgets: which controls each
// station shows, the values derived at a save, the presets of a station
// change, the CH/CE map check, Detect's reading of the flash IDs, and the
// paired save of a station file with its companion.
#include "config/setting_ce_map.h"
#include "config/setting_rules.h"
#include "config/setting_save.h"
#include "config/setting_visibility.h"

#include "config/companion_file.h"
#include "config/station_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace varnet {
namespace {

using enum SettingItem;

TEST(SettingVisibility, EachStationShowsItsOwnControls) {
    const struct {
        int station;
        int pretest;
        std::vector<SettingItem> shown;
    } cases[] = {
        {kStationEraseAll, 0, {kPretest}},
        {kStationRdt,
         0,
         {kSetTotalSize, kUsePartial, kDdrSize, kPretest, kSataSpeed, kFlashClock, kInterface, kRdtCycles,
          kEccLimit, kFailLimits, kReadRetry, kSnGroup, kDevslp, kSataSsc, kPutThermal, kHardBitRetry,
          kCtlOdtDriving}},
        {kStationRdtResult, 0, {kDevslp, kSataSsc, kPutThermal, kHardBitRetry, kFailLimits}},
        {kStationIct, 0, {kDevslp, kSataSsc, kPutThermal, kHardBitRetry, kFailLimits}},
        {kStationMp,
         0,
         {kSetTotalSize, kUsePartial, kDdrSize, kPretest, kSataSpeed, kFlashClock, kInterface, kSlcBuffer,
          kCheckRdt, kSnGroup, kDevslp, kSataSsc, kPutThermal, kHardBitRetry, kCtlOdtDriving,
          kWriteReadBurnIn, kSmartGroup}},
        {kStationMp,
         3,
         {kSetTotalSize, kUsePartial, kDdrSize, kPretest, kSataSpeed, kFlashClock, kInterface, kSlcBuffer,
          kCheckRdt, kSnGroup, kDevslp, kSataSsc, kPutThermal, kHardBitRetry, kCtlOdtDriving,
          kWriteReadBurnIn, kSmartGroup, kFailLimits}},
        {kStationReMp, 0, {kSnGroup, kResetSmart}},
        {kStationUpdateFw, 0, {kUpdateFwGroup}},
        {kStationScanBad, 0, {}},
    };
    for (const auto& c : cases) {
        SettingItems expected;
        for (const SettingItem item : c.shown)
            expected.set(static_cast<size_t>(item));
        EXPECT_EQ(VisibleItems(c.station, 0, c.pretest), expected)
            << "station " << c.station << " pretest " << c.pretest;
    }
}

TEST(SettingVisibility, CustomerCodesGateTheirOwnOptions) {
    const struct {
        int station;
        uint8_t customer;
        SettingItem item;
        bool shown;
    } cases[] = {
        {kStationMp, 7, kDefineC7, true},
        {kStationMp, 8, kDefineC7, false},
        {kStationMp, 8, kCloseSpeedOptimize, true},
        {kStationMp, 7, kCloseSpeedOptimize, false},
        {kStationRdt, 8, kRdtLed, true},
        {kStationRdt, 0, kRdtLed, false},
        {kStationEraseAll, 7, kDefineC7, false}, // the station shows no S.M.A.R.T at all
    };
    for (const auto& c : cases)
        EXPECT_EQ(Has(VisibleItems(c.station, c.customer, 0), c.item), c.shown)
            << "station " << c.station << " customer " << int(c.customer) << " item " << int(c.item);
}

TEST(SettingRules, CapacityAndSlcValues) {
    EXPECT_EQ(CapacityMbOfEntry("120GB"), 122880u);
    EXPECT_EQ(CapacityMbOfEntry("2TB"), 2097152u);
    EXPECT_EQ(CapacityMbOfEntry("512MB"), 512u);
    EXPECT_EQ(CapacityMbOfEntry("*Auto*"), std::nullopt);
    EXPECT_EQ(CapacityMbOfEntry(""), std::nullopt);

    const uint32_t pools[] = {786432, 0, 786432, 1572864, 3145728, 5242880, 10485760, 89128960, 786432};
    for (int position = 0; position < 9; ++position)
        EXPECT_EQ(SlcPoolSizeOf(position), pools[position]) << position;

    EXPECT_TRUE(SlcLargeEntriesAllowed(121 * 1024, 0));
    EXPECT_TRUE(SlcLargeEntriesAllowed(256 * 1024, 121));
    EXPECT_FALSE(SlcLargeEntriesAllowed(121 * 1024 - 1, 0)) << "rounded down to whole GB";
    EXPECT_FALSE(SlcLargeEntriesAllowed(256 * 1024, 120));
    EXPECT_EQ(PmaSettingFor(0), 42035);
    EXPECT_EQ(PmaSettingFor(1), 42003);
    EXPECT_EQ(PmaSettingFor(2), 42003);
}

// What a save stores of the lists whose positions stand for other values.
TEST(SettingRules, ListPositionsAsTheSaveStoresThem) {
    const struct {
        int position;
        uint32_t capacityMb, setSsdSize;
        SlcChoice stored;
    } slc[] = {
        {6, 256 * 1024, 0, {6, 10485760, false}},
        {7, 256 * 1024, 200, {7, 89128960, false}},
        {6, 120 * 1024, 0, {0, kSlcAutoPoolSize, true}},   // 120 GB chosen with 40 GB
        {6, 256 * 1024, 120, {0, kSlcAutoPoolSize, true}}, // the user size is cut down
        {5, 16 * 1024, 0, {5, 5242880, false}},            // small pools on any drive
        {0, 0, 0, {0, kSlcAutoPoolSize, false}},
    };
    for (const auto& c : slc) {
        const SlcChoice got = SlcChoiceOf(c.position, c.capacityMb, c.setSsdSize);
        EXPECT_EQ(got.sel, c.stored.sel) << c.position << "/" << c.capacityMb << "/" << c.setSsdSize;
        EXPECT_EQ(got.size, c.stored.size) << c.position << "/" << c.capacityMb << "/" << c.setSsdSize;
        EXPECT_EQ(got.fellBackToAuto, c.stored.fellBackToAuto) << c.position << "/" << c.capacityMb;
    }

    EXPECT_EQ(FailLimitOfPosition(0), 0xFF) << "Ignore";
    EXPECT_EQ(FailLimitOfPosition(1), 0);
    EXPECT_EQ(FailLimitOfPosition(256), 255);

    const uint32_t codes[] = {2, 3, 4, 5, 8};
    for (int position = 0; position < 5; ++position) {
        EXPECT_EQ(InterfaceCodeOf(position), codes[position]);
        EXPECT_EQ(InterfacePositionOf(codes[position]), position);
    }
    EXPECT_EQ(InterfacePositionOf(6), 0) << "a code not in the list shows the first entry";
}

// With "RDT" cleared the fail limits stay usable only where the save needs
// them: MP over the burn-in table (Pretest 3).
TEST(SettingRules, FailLimitsKeptWithoutRdtPerStationAndPretest) {
    constexpr bool no = false, kept = true;
    const struct {
        int station;
        std::array<bool, 4> byPretest; // PretestType 0, 1, 2, 3
    } cases[] = {
        {kStationEraseAll, {no, no, no, no}},  {kStationRdt, {no, no, no, no}},
        {kStationRdtResult, {no, no, no, no}}, {kStationMp, {no, no, no, kept}},
        {kStationReMp, {no, no, no, no}},      {kStationIct, {no, no, no, no}},
        {kStationUpdateFw, {no, no, no, no}},  {kStationScanBad, {no, no, no, no}},
    };
    static_assert(std::size(cases) == kStationCount);
    for (const auto& c : cases)
        for (int pretest = 0; pretest < 4; ++pretest)
            EXPECT_EQ(FailLimitsKeptWithoutRdt(c.station, pretest), c.byPretest[static_cast<size_t>(pretest)])
                << "station " << c.station + 1 << " pretest " << pretest;
}

TEST(SettingRules, EraseRuleByPretestStationAndFlash) {
    const struct {
        int station;
        uint8_t pretest, family, maker;
        uint8_t type, eraseFirst, checkRdtTable;
    } cases[] = {
        {kStationMp, 0, 0, 0x98, 0x01, 1, 0},   {kStationEraseAll, 0, 0, 0x98, 0x01, 1, 0},
        {kStationReMp, 0, 0, 0x98, 0x00, 0, 0}, {kStationMp, 1, 0, 0x98, 0x09, 1, 0},
        {kStationMp, 1, 16, 0x45, 0x49, 1, 0},  {kStationMp, 3, 0, 0x98, 0x00, 0, 1},
        {kStationMp, 3, 16, 0x45, 0x41, 1, 1},  {kStationRdt, 2, 15, 0x45, 0x41, 1, 0},
        {kStationRdt, 0, 18, 0x45, 0x01, 1, 0},
    };
    for (const auto& c : cases) {
        ST_STATION_CONFIG record{};
        record.PretestType = c.pretest;
        record.Do_Erase_First = 1;
        ApplyEraseRule(record, c.station, c.family, c.maker);
        EXPECT_EQ(record.eraseType, c.type) << c.station << "/" << int(c.pretest) << "/" << int(c.family);
        EXPECT_EQ(record.Do_Erase_First, c.eraseFirst) << c.station << "/" << int(c.pretest);
        EXPECT_EQ(record.Check_RDT_Table, c.checkRdtTable) << c.station << "/" << int(c.pretest);
    }
}

TEST(SettingRules, Bin1FlashSwitchesTheBurnInBetweenRdtAndIct) {
    ST_STATION_CONFIG record{};
    record.HV_Flash = 1;
    ApplyBin1FlashRule(record, kStationRdt, 15);
    EXPECT_EQ(record.High_temp_Crystal_Config, 1);
    EXPECT_EQ(record.DoBurnInTest, 0);
    EXPECT_EQ(record.skip_BadSpec_byFW, 1);
    EXPECT_EQ(record.BICS2_Ve5_RetryReadTable, 1);
    ApplyBin1FlashRule(record, kStationIct, 6);
    EXPECT_EQ(record.High_temp_Crystal_Config, 0);
    EXPECT_EQ(record.DoBurnInTest, 1);
    EXPECT_EQ(record.SkipScanBad, 1);
    EXPECT_EQ(record.Enable_Open_Block_Test, 1);
    EXPECT_EQ(record.BICS2_Ve5_RetryReadTable, 0);

    record.HV_Flash = 0;
    record.Do_Software_ECC = 1;
    record.TotalBad_SpecPerDie = 7;
    ApplyBin1FlashRule(record, kStationIct, 6);
    EXPECT_EQ(record.DoBurnInTest + record.SkipScanBad + record.skip_BadSpec_byFW + record.Do_Software_ECC,
              0);
    EXPECT_EQ(record.TotalBad_SpecPerDie, 0u);
}

TEST(SettingRules, StationPresets) {
    ST_STATION_CONFIG record{};
    ApplyStationPresets(record, kStationReMp, false);
    EXPECT_EQ(std::string_view(record.TestStation.data()), "F1");
    EXPECT_EQ(record.CheckBBT, 1);

    record = {};
    record.HV_Flash = 1;
    ApplyStationPresets(record, kStationRdt, false);
    EXPECT_EQ(std::string_view(record.TestStation.data()), "PreF1");
    EXPECT_EQ(record.Do_RDT, 1);
    EXPECT_EQ(record.eraseType, 1) << "Bin1 parts keep their erase kind";
    EXPECT_EQ(record.Do_Erase_First, 0);

    record = {};
    record.Retention_Test = 2;
    ApplyStationPresets(record, kStationRdtResult, true);
    EXPECT_EQ(record.Retention_Test, 0);
    EXPECT_EQ(record.Do_Erase_First, 1) << "no retention left at RDTResult";

    record = {};
    record.PretestType = 3;
    ApplyStationPresets(record, kStationMp, false);
    EXPECT_EQ(record.PretestType, 0);
    EXPECT_EQ(record.Check_RDT_Table, 1);
    record.CheckBBT = 1;
    ApplyStationPresets(record, kStationIct, false);
    EXPECT_EQ(std::string_view(record.TestStation.data()), "CSB");
    EXPECT_EQ(record.CheckBBT + record.Check_RDT_Table, 0);
}

TEST(SettingRules, ScanInputStoresAsterisksAndLeavingItRestoresARange) {
    constexpr int kScanInput = 2;
    struct Case {
        int from, to, snLen;
        SnRangeFields before, after;
    };
    const Case cases[] = {
        {0,
         2,
         12,
         {"VN2612000001", "VN2612999999", "VN##########"},
         {"************", "************", "************"}},
        {1, 2, 14, {"A", "B", "C"}, {"**************", "**************", "**************"}},
        {2,
         0,
         12,
         {"************", "************", "************"},
         {"000000000000", "999999999999", "############"}},
        // Typed characters stay; only the asterisks are filled in.
        {2,
         1,
         12,
         {"VN**********", "VN**********", "VN**********"},
         {"VN0000000000", "VN9999999999", "VN##########"}},
        {0,
         1,
         12,
         {"VN2612000001", "VN2612999999", "VN##########"},
         {"VN2612000001", "VN2612999999", "VN##########"}},
        {2, 2, 12, {"************", "A", "B"}, {"************", "A", "B"}},
    };
    for (const Case& c : cases) {
        const SnRangeFields got =
            SnFieldsForTypeChange(c.before, c.from == kScanInput, c.to == kScanInput, c.snLen);
        EXPECT_EQ(got.start, c.after.start) << c.from << "->" << c.to;
        EXPECT_EQ(got.end, c.after.end) << c.from << "->" << c.to;
        EXPECT_EQ(got.mask, c.after.mask) << c.from << "->" << c.to;
    }
}

TEST(SettingRules, ANewSnLengthGrowsOrCutsTheCountedPart) {
    struct Case {
        int snLen;
        SnRangeFields before, after;
    };
    const Case cases[] = {
        // The counted run grows at its front: numbers keep their values.
        {14,
         {"000000000001", "999999999999", "############"},
         {"00000000000001", "00999999999999", "##############"}},
        {14,
         {"VN0000000001", "VN9999999999", "VN##########"},
         {"VN000000000001", "VN009999999999", "VN############"}},
        {12,
         {"VN000000000001", "VN000000009999", "VN############"},
         {"VN0000000001", "VN0000009999", "VN##########"}},
        // Only the last run counts; a suffix after it stays put.
        {13, {"A1B0001X", "A1B9999X", "A#B####X"}, {"A1B000000001X", "A1B000009999X", "A#B#########X"}},
        {12,
         {"ABCDEFGHIJK99", "ABCDEFGHIJK99", "ABCDEFGHIJK##"},
         {"ABCDEFGHIJK9", "ABCDEFGHIJK9", "ABCDEFGHIJK#"}},
        // A run shorter than the cut goes, then what stood in front of it.
        {12,
         {"ABCDEFGHIJKLM1", "ABCDEFGHIJKLM4", "ABCDEFGHIJKLM#"},
         {"ABCDEFGHIJKL", "ABCDEFGHIJKL", "ABCDEFGHIJKL"}},
        // No '#' at all: the end moves.
        {13,
         {"FIXED0000001", "FIXED0000001", "FIXED0000001"},
         {"FIXED00000010", "FIXED00000010", "FIXED0000001#"}},
        // Fields of other lengths than the mask are each brought to the length.
        {12, {"1", "", "SN##"}, {"000000000001", "000000000000", "SN##########"}},
        {12,
         {"SN0000000001", "SN9999999999", "SN##########"},
         {"SN0000000001", "SN9999999999", "SN##########"}},
    };
    for (const Case& c : cases) {
        const SnRangeFields got = SnFieldsForLength(c.before, c.snLen, false);
        EXPECT_EQ(got.start, c.after.start) << c.before.mask << " at " << c.snLen;
        EXPECT_EQ(got.end, c.after.end) << c.before.mask << " at " << c.snLen;
        EXPECT_EQ(got.mask, c.after.mask) << c.before.mask << " at " << c.snLen;
    }
    // Under Scan Input a new length is a new row of asterisks.
    const SnRangeFields stars = SnFieldsForLength({"****", "****", "****"}, 13, true);
    for (const std::string* field : {&stars.start, &stars.end, &stars.mask})
        EXPECT_EQ(*field, std::string(13, '*'));
}

TEST(SettingRules, ATypedMaskFixesItsCharactersInTheRange) {
    struct Case {
        SnRangeFields before, after;
    };
    const Case cases[] = {
        {{"000000000001", "999999999999", "VN##########"}, {"VN0000000001", "VN9999999999", "VN##########"}},
        {{"VN0000000001", "VN9999999999", "VN##26######"}, {"VN0026000001", "VN9926999999", "VN##26######"}},
        // Typing the mask one character at a time never shortens the range.
        {{"000000000001", "999999999999", "V"}, {"V00000000001", "V99999999999", "V"}},
        {{"01", "", "ABC#"}, {"AB", "", "ABC#"}},
    };
    for (const Case& c : cases) {
        const SnRangeFields got = SnFieldsForMask(c.before);
        EXPECT_EQ(got.start, c.after.start) << c.before.mask;
        EXPECT_EQ(got.end, c.after.end) << c.before.mask;
        EXPECT_EQ(got.mask, c.before.mask);
    }
}

TEST(SettingCeMap, ChecksStopAtTheFirstProblem) {
    const auto bits = [](std::initializer_list<int> list) {
        uint32_t mask = 0;
        for (const int bit : list)
            mask |= 1u << bit;
        return mask;
    };
    const struct {
        uint32_t mask;
        uint8_t family;
        const char* problem; // nullptr: sound
    } cases[] = {
        {bits({0, 1, 2, 3, 8, 9}), 16, nullptr},
        {bits({0, 1, 2, 3, 8, 9}), 5, "Set CH/CE Map Error!\r\n(CE numbers must be equal in using CH)"},
        {bits({0, 8, 9}), 16,
         "Set CH/CE Map Error!\r\n(CE numbers in CH0 must be equal or more than the other CH!)"},
        {bits({1, 2}), 16, "Set CH/CE Map Error!\r\n(CE0 must be used!)"},
        {bits({1, 9}), 5, "Set CH/CE Map Error!\r\n(CE0 or CE8 must keep one!)"},
        {bits({8, 16}), 5, nullptr},
        {bits({0, 1}), 5, nullptr},
    };
    for (const auto& c : cases) {
        const auto problem = CheckCeMap(c.mask, c.family);
        if (c.problem)
            EXPECT_EQ(problem, std::string(c.problem)) << std::hex << c.mask;
        else
            EXPECT_EQ(problem, std::nullopt) << std::hex << c.mask;
    }
}

TEST(SettingCeMap, DetectCountsTheIdsThatNameAChip) {
    std::array<std::array<uint8_t, 8>, 64> ids{};
    ids[0] = {0xFF, 0x3C}; // no chip
    ids[1] = {0x45, 0x45}; // byte 0 repeated: no chip
    ids[3] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72};
    ids[9] = ids[3];
    ids[35] = ids[3]; // folds onto bit 3
    const FlashIdScan scan = ScanFlashIds(ids);
    EXPECT_EQ(scan.populated, 3u);
    EXPECT_EQ(scan.firstIndex, 3);
    EXPECT_EQ(scan.ceMask, (1u << 3) | (1u << 9));
    EXPECT_EQ(ScanFlashIds(std::array<std::array<uint8_t, 8>, 64>{}).firstIndex, -1);
}

class SettingSave : public ::testing::Test {
protected:
    SettingSave() {
        test::WriteText(station, "[General Info]\r\nWorkingNo=OLD\r\nSlotNumber=24\r\n");
        std::filesystem::create_directories(dir / "Config");
        record.TestStationSel = kStationMp;
        SetFieldText(record.WorkingNo, "NEW");
    }
    test::TempDir dir;
    std::filesystem::path station = dir / "04_MP.ini";
    std::filesystem::path companion = dir / "Config" / "04_MP_Com.cfg";
    ST_STATION_CONFIG record{};
    StationNameTable names;
};

TEST_F(SettingSave, WritesBothFiles) {
    ASSERT_TRUE(SaveStationAndCompanion(record, station, companion, {}, names).ok());
    ST_STATION_CONFIG back{};
    LoadStationConfig(station, back, names);
    EXPECT_EQ(std::string_view(back.WorkingNo.data()), "NEW");
    ST_STATION_CONFIG fromCompanion{};
    LoadStationSection(companion, fromCompanion);
    EXPECT_EQ(std::string_view(fromCompanion.WorkingNo.data()), "NEW");
}

TEST_F(SettingSave, CompanionFailurePutsTheStationFileBack) {
    const std::string before = test::ReadText(station);
    std::filesystem::create_directories(companion); // a folder where the companion should be
    const Status status = SaveStationAndCompanion(record, station, companion, {}, names);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("04_MP_Com.cfg"), std::string::npos) << status.message();
    EXPECT_EQ(test::ReadText(station), before);

    std::filesystem::remove(station);
    EXPECT_FALSE(SaveStationAndCompanion(record, station, companion, {}, names).ok());
    EXPECT_FALSE(std::filesystem::exists(station)) << "a file that did not exist is not left behind";
}

} // namespace
} // namespace varnet

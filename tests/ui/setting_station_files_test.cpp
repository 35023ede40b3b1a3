// The Configuration page against whole files: a station file holding every
// key the page knows goes through activation and Save, and each station,
// chosen and edited as an operator would, writes the station file and its
// companion key by key as the save rules say.
#include "ui/settings/setting_dlg.h"

#include "config/companion_file.h"
#include "config/flash_database.h"
#include "config/station_file.h"
#include "engine/main_page.h"
#include "operator_choice.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace varnet::ui {
namespace {

namespace fs = std::filesystem;

// "[Section]Key" -> value, the way an engineer reads a diff of two files.
using KeyValues = std::map<std::string, std::string>;

KeyValues ReadKeys(const fs::path& file) {
    KeyValues keys;
    std::istringstream in(test::ReadText(file));
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with('[') && line.ends_with(']')) {
            section = line;
            continue;
        }
        if (const size_t eq = line.find('='); eq != std::string::npos)
            keys[section + line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

constexpr const char* kRemoved = "<removed>";

// What changed from `before` to `after`: new values, and kRemoved for keys gone.
KeyValues Changes(const KeyValues& before, const KeyValues& after) {
    KeyValues changes;
    for (const auto& [key, value] : after)
        if (auto it = before.find(key); it == before.end() || it->second != value)
            changes[key] = value;
    for (const auto& [key, value] : before)
        if (!after.contains(key))
            changes[key] = kRemoved;
    return changes;
}

std::string Show(const KeyValues& keys) {
    std::string text;
    for (const auto& [key, value] : keys)
        text += "        {\"" + key + "\", \"" + value + "\"},\n";
    return text;
}

// Every key of the record in the station file, each away from its default
// and within what the page's controls can show, for the MP station.
constexpr const char* kEveryKey =
    "[ConfigID]\r\nID=98 3C 98 B3 76 72-BICS3\r\n"
    "[StationName]\r\n02=BurnIn\r\n"
    "[General Info]\r\nTestStationSel=3\r\nTestStation=F1\r\nWorkingNo=WO-42\r\nModelName=VARNET 512\r\n"
    "SerialNum=VN000000000007\r\nMaxCurrent=1500\r\nSlotNumber=24\r\nMapType=1\r\n"
    "[Flash Info]\r\nFlh_Type=TLC\r\nFlh_MakeCode=98\r\nFlh_ID=98 3C 98 B3 76 72 \r\nFlh_Capacity=524288\r\n"
    "Flh_CapacitySel=33\r\nFlh_Number=8\r\nFlh_NumberSel=8\r\nFlash Clock=200\r\nFlash Interface=5\r\n"
    "CE_Mask=255\r\n"
    "[Device Info]\r\nSATASpeed=2\r\nControllerType=SSD-7720VA\r\nICFWVersion=V1.2.3\r\n"
    "7720VAISP_CodeVersion=C7720-01\r\n7720VAISP_MPBINCode=mp.bin\r\n7720VAISP_RDTBINCode=rdt.bin\r\n"
    "Update FW=fw/update.bin\r\nSSD Size=M.2\r\n"
    "[Options]\r\nDDRSize=64\r\nOnlyDoISP=1\r\nSkipBuildFAT=1\r\nAutoIncreseSerialNum=1\r\nSetSSDSize=480."
    "5\r\n"
    "SetSSDSizeLBA=937703088\r\nUse Partial "
    "Size=0\r\nDEVSLP_Enable=1\r\nCheck_RDT_Table=1\r\nCheckRDTExist=1\r\n"
    "Put_Thermal_Sensor=1\r\nSet Firmware "
    "Name=VARNET-FW\r\nCheckBBT=1\r\nAfterMPDoResetSMART=1\r\nForceToErase=1\r\n"
    "Do_BurnIn_PreTest=1\r\nCloseSpeedOptimize=1\r\nDoBurnInTest=1\r\nSkipScanBad=1\r\nTotalBad_SpecPerDie="
    "5\r\n"
    "TotalLaterBad_SpecPerDie=4\r\nBICS2_Ve5_RetryReadTable=1\r\nL06B_To_B0K=1\r\nDisableSmart05="
    "1\r\nDisableSmartC4=1\r\n"
    "EnableSmartC3=1\r\nDefineA3_PlaneBad=1\r\nDefineC7_0=1\r\nShowCTLTemp=1\r\n"
    "Enable_Set_Custom_SMART_Temperature=1\r\nSet_Custom_SMART_Temperature=45\r\nSkip_Check_RDDebugPage=1\r\n"
    "SLCPoolSizeSel=4\r\nSLCPoolSize=3145728\r\nPretestType=2\r\nPadODTEnable=1\r\nPadODT=2\r\n"
    "PadDriveEnable=1\r\nPadDriving=3\r\nPMASetting=42003\r\nRDTLED_StateSel=1\r\n"
    "ECC threshold=90\r\nSLC ECC threshold=60\r\nEnable_ECCthreshold_MarkBad=1\r\nHV_Flash=1\r\n"
    "Do_Software_ECC=1\r\nskip_BadSpec_byFW=1\r\nScanBad_CheckByDie=1\r\nDo_Hard_Bit_Retry_Test=1\r\n"
    "Do_HB_Set=1\r\nRetention_Test=2\r\nEnableCEMask=1\r\nSetCEMask=15\r\n"
    "[Write_Read BurnIn]\r\nEnable=1\r\nSetCapacity=2\r\nCapacity=300\r\n"
    "[EraseAll]\r\nDo_Erase_First=1\r\nType=01\r\n"
    "[RDT]\r\nEnable_Set_Cycle=1\r\nCycle=3\r\nEnable_Set_Cycle_SLC=1\r\nCycle_SLC=5\r\nByte_146=1\r\n"
    "Byte_101=0A\r\nByte_147=02\r\nByte_148=03\r\nByte_149=04\r\nFailTotalLimitSel=11\r\nFailEraseLimitSel="
    "3\r\n"
    "FailProgramLimitSel=4\r\nFailReadLimitSel=5\r\nReadRetrySel=1\r\nEnable_Open_Block_Test=1\r\n"
    "High_temp_Crystal_Config=1\r\n"
    "[SN Set]\r\nSN_Set=1\r\nSN_Type=0\r\nSN_Len=14\r\nSN_Start=VN000000000007\r\nSN_End=VN000000099999\r\n"
    "SN_Mask=VN############\r\n"
    "[Other]\r\nSATA_SSC_Enable=1\r\n";

class SettingStationFiles : public ::testing::Test {
protected:
    SettingStationFiles() {
        fs::create_directories(dir / "Config");
        ST_SSD_FLASH_PARAM bics3{};
        SetFieldText(bics3.name, "BICS3");
        bics3.flashId = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72};
        SetFieldText(bics3.mpFirmware, "7720C123MP.bin");
        bics3.SetMbPerDie(32768);
        bics3.diesPerCe = 2;
        db.LoadFromBytes(EncodeFlashDatabase(std::vector{bics3}));
        env.appDir = dir.path().string() + "/";
        env.flashDatabase = &db;
        PageLockBits() = 0;

        // The companion starts as a copy of the station file, as the page
        // makes it, and every station's own section then holds every key
        // too, so a station chosen on the page has values of its own to lose.
        test::WriteText(StationFile(), kEveryKey);
        test::WriteText(CompanionFile(), kEveryKey);
        ST_STATION_CONFIG full{};
        StationNameTable scratch;
        LoadStationConfig(StationFile(), full, scratch);
        StationSaveContext context;
        context.flashFamily = FlashFamilyOf(db, full.flashId);
        context.makerCode = full.makerCode;
        for (int station : {0, 1, 2, 4, 5, 6, 7, 3}) {
            full.TestStationSel = static_cast<uint8_t>(station);
            // Tells the sections apart in whichever file the page writes.
            SetFieldText(full.SetFirmwareName, "VARNET-FW-" + std::to_string(station + 1));
            EXPECT_TRUE(SaveStationSection(CompanionFile(), full, context).ok());
        }
    }
    ~SettingStationFiles() override { PageLockBits() = 0; }

    fs::path StationFile() const { return dir / "Line.ini"; }
    fs::path CompanionFile() const { return dir / "Config/Line_Com.cfg"; }

    std::unique_ptr<CSettingDlg> UnlockedPage() {
        PageLockBits() = 0; // a page left in editing holds the others
        auto page = std::make_unique<CSettingDlg>(env, nullptr, names);
        page->Hooks().tell = [this](const QString& text) { told << text; };
        page->Hooks().unlock = [] { return true; };
        EXPECT_TRUE(page->ActivateSettingsPage("Line.ini"));
        page->OnEdit();
        return page;
    }

    test::TempDir dir;
    StationNameTable names;
    FlashDatabase db;
    SettingEnvironment env;
    QStringList told;
};

// Keys that must be absent after the save are given as kRemoved.
void ExpectKeys(const KeyValues& expected, const KeyValues& file, const char* what) {
    for (const auto& [key, value] : expected) {
        const auto it = file.find(key);
        if (value == std::string_view(kRemoved))
            EXPECT_EQ(it, file.end()) << what << ": " << key << " should be gone";
        else if (it == file.end())
            ADD_FAILURE() << what << ": " << key << " is missing";
        else
            EXPECT_EQ(it->second, value) << what << ": " << key;
    }
}

TEST_F(SettingStationFiles, ActivationAndSaveKeepEveryKeyTheRulesKeep) {
    const KeyValues station = ReadKeys(StationFile()), companion = ReadKeys(CompanionFile());
    auto page = UnlockedPage();
    page->OnSave();
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();

    // Everything else, the hidden controls' keys (ID under L06B_To_B0K,
    // HV_Flash, ScanBad_CheckByDie, Retention_Test, the CE map, the custom
    // temperature) and the keys other parts write (SlotNumber, MapType,
    // CE_Mask, the load-only options) included, is written back unchanged.
    const KeyValues stationChanges = {
        // The MP station writes no update image, no RDT section and none of
        // the other stations' options; the rewritten sections drop them.
        {"[Device Info]Update FW", kRemoved},
        {"[Options]AfterMPDoResetSMART", kRemoved},
        {"[Options]CheckBBT", kRemoved},
        {"[Options]Do_BurnIn_PreTest", kRemoved},
        {"[Options]ECC threshold", kRemoved},
        {"[Options]Enable_ECCthreshold_MarkBad", kRemoved},
        {"[Options]SLC ECC threshold", kRemoved},
        {"[Options]RDTLED_StateSel", kRemoved},
        {"[Options]TotalBad_SpecPerDie", kRemoved},
        {"[Options]TotalLaterBad_SpecPerDie", kRemoved},
        {"[RDT]Byte_101", kRemoved},
        {"[RDT]Byte_146", kRemoved},
        {"[RDT]Byte_147", kRemoved},
        {"[RDT]Byte_148", kRemoved},
        {"[RDT]Byte_149", kRemoved},
        {"[RDT]Cycle", kRemoved},
        {"[RDT]Cycle_SLC", kRemoved},
        {"[RDT]Enable_Open_Block_Test", kRemoved},
        {"[RDT]Enable_Set_Cycle", kRemoved},
        {"[RDT]Enable_Set_Cycle_SLC", kRemoved},
        {"[RDT]FailEraseLimitSel", kRemoved},
        {"[RDT]FailProgramLimitSel", kRemoved},
        {"[RDT]FailReadLimitSel", kRemoved},
        {"[RDT]FailTotalLimitSel", kRemoved},
        {"[RDT]High_temp_Crystal_Config", kRemoved},
        {"[RDT]ReadRetrySel", kRemoved},
        // The flash ID is written as the record holds it, without the blank.
        {"[Flash Info]Flh_ID", "98 3C 98 B3 76 72"},
        // Pretest 2 at MP: no burn-in table check.
        {"[Options]Check_RDT_Table", kRemoved},
        // Bin1 flash at MP: neither burn-in nor skipped scan; the BICS
        // retry table is its family's.
        {"[Options]DoBurnInTest", kRemoved},
        {"[Options]SkipScanBad", kRemoved},
        {"[Options]Use Partial Size", kRemoved},
        // What the MP station always writes.
        {"[Options]Disable_DIPM_Support", "1"},
        {"[Options]Smart_Table", "0"},
        // The DQS/data driving of every pad.
        {"[Options]PadDrive-ALE", "3"},
        {"[Options]PadDrive-CE", "3"},
        {"[Options]PadDrive-CLE", "3"},
        {"[Options]PadDrive-DATA", "3"},
        {"[Options]PadDrive-DQS", "3"},
        {"[Options]PadDrive-FRDY", "3"},
        {"[Options]PadDrive-RE", "3"},
        {"[Options]PadDrive-WE", "3"},
        {"[Options]PadDrive-WP", "3"},
        // The companion's MP section is loaded over the station file.
        {"[Options]Set Firmware Name", "VARNET-FW-4"},
        // Empty name slots take their presets back.
        {"[StationName]01", "EraseAll"},
        {"[StationName]03", "RDTResult"},
        {"[StationName]04", "MP"},
        {"[StationName]05", "ReMP"},
        {"[StationName]06", "ICT"},
        {"[StationName]07", "UpdateFW"},
        {"[StationName]08", "ScanBad"},
    };
    EXPECT_EQ(Changes(station, ReadKeys(StationFile())), stationChanges)
        << Show(Changes(station, ReadKeys(StationFile())));

    // The MP page shows the RDT group cleared: its keys follow it, except
    // the loop count a Bin1 flash keeps. "ECC Limit" cleared empties the
    // thresholds, which go with their enable.
    const KeyValues companionChanges = {
        {"[04_MP]Cycle_SLC", kRemoved},
        {"[04_MP]Enable_Set_Cycle", kRemoved},
        {"[04_MP]Enable_Set_Cycle_SLC", kRemoved},
        {"[04_MP]Enable_ECCthreshold_MarkBad", kRemoved},
        {"[04_MP]ECC threshold", kRemoved},
        {"[04_MP]SLC ECC threshold", kRemoved},
        {"[04_MP]RDT_Byte_146", "00"},
        {"[04_MP]ReadRetrySel", "0"},
        {"[04_MP]Check_RDT_Table", kRemoved},
        {"[04_MP]DoBurnInTest", kRemoved},
        {"[04_MP]SkipScanBad", kRemoved},
        {"[04_MP]High_temp_Crystal_Config", kRemoved},
        {"[Device Info]Update FW", kRemoved},
    };
    EXPECT_EQ(Changes(companion, ReadKeys(CompanionFile())), companionChanges)
        << Show(Changes(companion, ReadKeys(CompanionFile())));
}

// Saving what a chosen station shows, then opening and saving it again,
// must write the same files: the fill and the read lose nothing.
TEST_F(SettingStationFiles, EachStationSavedAgainWritesTheSameFiles) {
    const std::string companion = test::ReadText(CompanionFile());
    for (int s = 0; s < kStationCount; ++s) {
        test::WriteText(StationFile(), kEveryKey);
        test::WriteText(CompanionFile(), companion);
        {
            auto page = UnlockedPage();
            test::ChooseEntry(page->TestStationList(), s);
            page->OnSave();
        }
        const KeyValues station = ReadKeys(StationFile()), section = ReadKeys(CompanionFile());
        {
            auto page = UnlockedPage();
            page->OnSave();
        }
        // The RDT result station is the one exception, as the system defines
        // it: choosing it presets Do_RDT, but a station file opened again
        // sets Do_RDT only for the RDT station, so the page then shows the
        // RDT group cleared and the next save drops its loops and checks,
        // the ECC thresholds and the fail limits with them.
        KeyValues expectedStation, expectedCompanion;
        if (s == kStationRdtResult) {
            expectedStation = {
                {"[Options]ECC threshold", kRemoved},
                {"[Options]Enable_ECCthreshold_MarkBad", kRemoved},
                {"[Options]SLC ECC threshold", kRemoved},
                {"[RDT]Byte_101", kRemoved},
                {"[RDT]Byte_146", kRemoved},
                {"[RDT]Byte_147", kRemoved},
                {"[RDT]Byte_148", kRemoved},
                {"[RDT]Byte_149", kRemoved},
                {"[RDT]Byte_189", kRemoved},
                {"[RDT]Cycle_SLC", kRemoved},
                {"[RDT]Do_RDT", "0"},
                {"[RDT]Enable_Set_Cycle", kRemoved},
                {"[RDT]Enable_Set_Cycle_SLC", kRemoved},
                {"[RDT]FailEraseLimitSel", kRemoved},
                {"[RDT]FailProgramLimitSel", kRemoved},
                {"[RDT]FailReadLimitSel", kRemoved},
                {"[RDT]FailTotalLimitSel", kRemoved},
                {"[RDT]ReadRetrySel", "0"},
            };
            expectedCompanion = {
                {"[03_RDTResult]Cycle_SLC", kRemoved},
                {"[03_RDTResult]Do_RDT", "0"},
                {"[03_RDTResult]ECC threshold", kRemoved},
                {"[03_RDTResult]Enable_ECCthreshold_MarkBad", kRemoved},
                {"[03_RDTResult]Enable_Set_Cycle", kRemoved},
                {"[03_RDTResult]Enable_Set_Cycle_SLC", kRemoved},
                {"[03_RDTResult]RDT_Byte_146", "00"},
                {"[03_RDTResult]ReadRetrySel", "0"},
                {"[03_RDTResult]SLC ECC threshold", kRemoved},
            };
        }
        EXPECT_EQ(Changes(station, ReadKeys(StationFile())), expectedStation) << "station " << s + 1;
        EXPECT_EQ(Changes(section, ReadKeys(CompanionFile())), expectedCompanion) << "station " << s + 1;
    }
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
}

// A chosen station brings its own companion section and its presets.
TEST_F(SettingStationFiles, AChosenStationTakesItsOwnSectionAndPresets) {
    struct Case {
        int station;
        KeyValues stationFile, companion;
    };
    const Case cases[] = {
        {kStationEraseAll,
         {{"[General Info]TestStation", "F1"}, {"[EraseAll]Do_Erase_First", "1"}, {"[EraseAll]Type", "01"}},
         {{"[01_EraseAll]CheckBBT", kRemoved},
          {"[01_EraseAll]ForceToErase", kRemoved},
          {"[01_EraseAll]Do_BurnIn_PreTest", "0"},
          {"[01_EraseAll]AfterMPDoResetSMART", kRemoved},
          {"[01_EraseAll]Check_RDT_Table", kRemoved}}},
        {kStationRdt,
         {{"[General Info]TestStation", "PreF1"}, {"[RDT]Do_RDT", "1"}, {"[Options]Do_BurnIn_PreTest", "1"}},
         {{"[02_RDT]Do_RDT", "1"}, {"[02_RDT]CheckBBT", kRemoved}, {"[02_RDT]ForceToErase", kRemoved}}},
        {kStationRdtResult,
         {{"[General Info]TestStation", "PreF1"}, {"[RDT]Do_RDT", "1"}},
         {{"[03_RDTResult]Do_RDT", "1"}, {"[03_RDTResult]Retention_Test", kRemoved}}},
        {kStationMp, {{"[General Info]TestStation", "F1"}, {"[Options]PretestType", "0"}}, {}},
        // Station 05 writes the CheckBBT its preset sets.
        {kStationReMp,
         {{"[General Info]TestStation", "F1"},
          {"[Options]CheckBBT", "1"},
          {"[EraseAll]Do_Erase_First", "0"},
          {"[EraseAll]Type", kRemoved},
          {"[Options]ForceToErase", kRemoved}},
         {{"[05_ReMP]CheckBBT", "1"}, {"[05_ReMP]Do_BurnIn_PreTest", "0"}, {"[05_ReMP]EraseType", kRemoved}}},
        {kStationIct,
         {{"[General Info]TestStation", "CSB"},
          {"[EraseAll]Do_Erase_First", "0"},
          {"[Options]EarlyBad_Spec", "9999"}},
         {{"[06_ICT]CheckBBT", kRemoved}, {"[06_ICT]AfterMPDoResetSMART", kRemoved}}},
        {kStationUpdateFw,
         {{"[General Info]TestStation", "F1"}, {"[Device Info]Update FW", "fw/update.bin"}},
         {{"[07_UpdateFW]CheckBBT", kRemoved}, {"[07_UpdateFW]Do_Erase_First", "0"}}},
        // No presets: the section's own values stand.
        {kStationScanBad, {{"[General Info]TestStation", "PreF1"}}, {{"[08_ScanBad]CheckBBT", "1"}}},
    };
    const std::string companion = test::ReadText(CompanionFile());
    for (const Case& c : cases) {
        test::WriteText(StationFile(), kEveryKey);
        test::WriteText(CompanionFile(), companion);
        auto page = UnlockedPage();
        test::ChooseEntry(page->TestStationList(), c.station);
        EXPECT_EQ(IniGetInt(CompanionFile(), "General Info", "TestStationSel", -1), c.station)
            << "the choice is written into the companion at once";
        page->OnSave();
        const KeyValues stationFile = ReadKeys(StationFile());
        const std::string label = "station " + std::to_string(c.station + 1);
        EXPECT_EQ(stationFile.at("[General Info]TestStationSel"), std::to_string(c.station)) << label;
        EXPECT_EQ(stationFile.at("[Options]Set Firmware Name"), "VARNET-FW-" + std::to_string(c.station + 1))
            << label << " takes its own section of the companion";
        ExpectKeys(c.stationFile, stationFile, label.c_str());
        ExpectKeys(c.companion, ReadKeys(CompanionFile()), label.c_str());
    }
}

// The operator's hand on one control: it must be there and usable.
class Operator {
public:
    explicit Operator(CSettingDlg& page) : c(page.Controls()), page_(page) {}

    void Click(QAbstractButton* button) const {
        if (Reachable(button))
            button->click();
    }
    void Pick(QComboBox* list, int index) const {
        if (Reachable(list))
            test::ChooseEntry(list, index);
    }
    void Type(QLineEdit* field, const char* text) const {
        if (Reachable(field)) {
            field->selectAll();
            QTest::keyClicks(field, QString::fromUtf8(text));
        }
    }

    const SettingControls& c;

private:
    bool Reachable(QWidget* widget) const {
        EXPECT_TRUE(widget->isVisibleTo(&page_)) << "a hidden control";
        EXPECT_TRUE(widget->isEnabled()) << "a disabled control";
        return widget->isVisibleTo(&page_) && widget->isEnabled();
    }

    CSettingDlg& page_;
};

// For each station: choose it, change what its operator would change, Save.
// Against the same station saved without the changes, exactly these keys differ.
TEST_F(SettingStationFiles, EachStationsChangesReachBothFilesKeyByKey) {
    struct Case {
        int station;
        std::function<void(const Operator&)> edit;
        KeyValues stationFile, companion;
    };
    const Case cases[] = {
        {kStationEraseAll,
         [](const Operator& op) {
             op.Type(op.c.workingNo, "WO-77");
             op.Pick(op.c.pretest, 1); // 1.Don't Reference Original Bad
         },
         {{"[General Info]WorkingNo", "WO-77"}, {"[Options]PretestType", "1"}, {"[EraseAll]Type", "09"}},
         {{"[General Info]WorkingNo", "WO-77"},
          {"[01_EraseAll]PretestType", "1"},
          {"[01_EraseAll]EraseType", "09"}}},
        {kStationRdt,
         [](const Operator& op) {
             op.Type(op.c.eccThreshold, "120");
             op.Pick(op.c.sataSpeed, 0);
             op.Pick(op.c.readRetry, 2);     // OFF
             op.Pick(op.c.failLimits[0], 0); // Ignore
         },
         {{"[Options]ECC threshold", "120"},
          {"[Device Info]SATASpeed", "1"},
          {"[RDT]ReadRetrySel", "2"},
          {"[RDT]Byte_189", "1"},
          {"[RDT]Byte_101", "FF"},
          {"[RDT]FailTotalLimitSel", "0"}},
         {{"[02_RDT]ECC threshold", "120"},
          {"[Device Info]SATASpeed", "1"},
          {"[02_RDT]ReadRetrySel", "2"},
          {"[02_RDT]RDT_Byte_101", "FF"},
          {"[02_RDT]FailTotalLimitSel", "0"}}},
        {kStationRdtResult,
         [](const Operator& op) {
             op.Pick(op.c.failLimits[1], 6); // 5
             op.Click(op.c.sataSsc);
             op.Click(op.c.hardBitRetry);
         },
         // With HardBit Retry off a Toshiba flash still gets its retry test.
         {{"[RDT]Byte_147", "05"},
          {"[RDT]FailEraseLimitSel", "6"},
          {"[Other]SATA_SSC_Enable", "0"},
          {"[Options]Do_HB_Set", kRemoved}},
         {{"[03_RDTResult]RDT_Byte_147", "05"},
          {"[03_RDTResult]FailEraseLimitSel", "6"},
          {"[03_RDTResult]SATA_SSC_Enable", "0"},
          {"[03_RDTResult]Do_HB_Set", kRemoved},
          {"[03_RDTResult]Do_Hard_Bit_Retry_Test", kRemoved}}},
        {kStationMp,
         [](const Operator& op) {
             op.Pick(op.c.slcBuffer, 5); // 20GB
             op.Click(op.c.disableSmartC7);
             op.Pick(op.c.deviceSize, 0);
             op.Pick(op.c.pretest, 3); // 3.Reference RDT Bad: the burn-in table decides
         },
         {{"[Options]SLCPoolSizeSel", "5"},
          {"[Options]SLCPoolSize", "5242880"},
          {"[Options]DisableSmartC7", "1"},
          {"[Options]DefineC7_0", kRemoved},
          {"[Device Info]SSD Size", "2.5\""},
          {"[Options]PMASetting", "42035"},
          {"[Options]PretestType", "3"},
          {"[Options]Check_RDT_Table", "1"},
          {"[Options]CheckRDTExist", kRemoved},
          {"[EraseAll]Do_Erase_First", "0"},
          {"[EraseAll]Type", kRemoved},
          {"[RDT]Byte_146", "1"},
          {"[RDT]Byte_101", "0A"},
          {"[RDT]Byte_147", "02"},
          {"[RDT]Byte_148", "03"},
          {"[RDT]Byte_149", "04"},
          {"[RDT]FailTotalLimitSel", "11"},
          {"[RDT]FailEraseLimitSel", "3"},
          {"[RDT]FailProgramLimitSel", "4"},
          {"[RDT]FailReadLimitSel", "5"}},
         {{"[04_MP]SLCPoolSizeSel", "5"},
          {"[04_MP]SLCPoolSize", "5242880"},
          {"[04_MP]DisableSmartC7", "1"},
          {"[04_MP]DefineC7_0", kRemoved},
          {"[Device Info]SSD Size", "2.5\""},
          {"[04_MP]PMASetting", "42035"},
          {"[04_MP]PretestType", "3"},
          {"[04_MP]Check_RDT_Table", "1"},
          {"[04_MP]CheckRDTExist", kRemoved},
          {"[04_MP]Do_Erase_First", "0"},
          {"[04_MP]EraseType", kRemoved},
          {"[04_MP]RDT_Byte_146", "01"}}},
        {kStationReMp,
         [](const Operator& op) {
             op.Click(op.c.resetSmart);
             op.Pick(op.c.snType, 1); // Random
             op.Pick(op.c.snLen, 16 - 12);
         },
         {{"[Options]AfterMPDoResetSMART", kRemoved},
          {"[SN Set]SN_Type", "1"},
          {"[SN Set]SN_Len", "16"},
          {"[SN Set]SN_Start", "VN00000000000007"},
          {"[SN Set]SN_End", "VN00000000099999"},
          {"[SN Set]SN_Mask", "VN##############"},
          {"[General Info]SerialNum", "VN00000000000007"}},
         {{"[05_ReMP]AfterMPDoResetSMART", kRemoved},
          {"[SN Set]SN_Type", "1"},
          {"[SN Set]SN_Len", "16"},
          {"[SN Set]SN_Start", "VN00000000000007"},
          {"[SN Set]SN_End", "VN00000000099999"},
          {"[SN Set]SN_Mask", "VN##############"},
          {"[General Info]SerialNum", "VN00000000000007"}}},
        {kStationIct,
         [](const Operator& op) {
             op.Click(op.c.devslp);
             op.Click(op.c.putThermal);
             op.Pick(op.c.hardBitRetryMode, 0); // OFF
         },
         {{"[Options]DEVSLP_Enable", kRemoved},
          {"[Options]Put_Thermal_Sensor", "0"},
          {"[Options]Do_Hard_Bit_Retry_Test", "0"}},
         {{"[06_ICT]DEVSLP_Enable", kRemoved},
          {"[06_ICT]Put_Thermal_Sensor", "0"},
          {"[06_ICT]Do_Hard_Bit_Retry_Test", kRemoved}}},
        {kStationUpdateFw,
         [](const Operator& op) {
             op.Click(op.c.modifyFirmwareName); // back to the image's own version
             op.Click(op.c.chooseUpdateImage);
         },
         {{"[Device Info]ICFWVersion", "VARNETUP"},
          {"[Device Info]Update FW", "./Bin/VARNETUP_0412.bin"},
          {"[Options]Set Firmware Name", kRemoved}},
         {{"[Device Info]ICFWVersion", "VARNETUP"},
          {"[Device Info]Update FW", "./Bin/VARNETUP_0412.bin"},
          {"[07_UpdateFW]Set Firmware Name", kRemoved}}},
        {kStationScanBad,
         [](const Operator& op) {
             op.Type(op.c.modelName, "VARNET 1T");
             op.Pick(op.c.ceNumber, 4);
             op.Pick(op.c.totalSize, 0); // *Auto*: the size stays
             op.Type(op.c.fwVersion, "VARNET-FW2");
         },
         {{"[General Info]ModelName", "VARNET 1T"},
          {"[Flash Info]Flh_NumberSel", "4"},
          {"[Flash Info]Flh_Number", "4"},
          {"[Flash Info]Flh_CapacitySel", "0"},
          {"[Options]Set Firmware Name", "VARNET-FW2"}},
         {{"[General Info]ModelName", "VARNET 1T"},
          {"[Flash Info]Flh_NumberSel", "4"},
          {"[Flash Info]Flh_Number", "4"},
          {"[Flash Info]Flh_CapacitySel", "0"},
          {"[08_ScanBad]Set Firmware Name", "VARNET-FW2"}}},
    };
    const std::string companion = test::ReadText(CompanionFile());
    const auto save = [&](const Case& c, bool edited) {
        test::WriteText(StationFile(), kEveryKey);
        test::WriteText(CompanionFile(), companion);
        auto page = UnlockedPage();
        page->Hooks().chooseUpdateImage = [this] {
            return QString::fromStdString((dir / "Bin/VARNETUP_0412.bin").string());
        };
        test::ChooseEntry(page->TestStationList(), c.station);
        if (edited)
            c.edit(Operator(*page));
        page->OnSave();
        return std::pair{ReadKeys(StationFile()), ReadKeys(CompanionFile())};
    };
    for (const Case& c : cases) {
        const auto [stationBefore, companionBefore] = save(c, false);
        const auto [stationAfter, companionAfter] = save(c, true);
        const KeyValues stationChanges = Changes(stationBefore, stationAfter);
        const KeyValues companionChanges = Changes(companionBefore, companionAfter);
        EXPECT_EQ(stationChanges, c.stationFile) << "station " << c.station + 1 << "\n"
                                                 << Show(stationChanges);
        EXPECT_EQ(companionChanges, c.companion) << "station " << c.station + 1 << "\n"
                                                 << Show(companionChanges);
    }
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
}

} // namespace
} // namespace varnet::ui

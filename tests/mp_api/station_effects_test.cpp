// What each station's calls leave on a drive, seen the way the program sees
// it afterwards (identify data, reports, the history area): the burn-in
// start, the production step, the burn-in log reads, the history area, a
// firmware download, identity changes, and drives that are not there.
#include "mp_api_line.h"

#include "platform/ini_file.h"

#include <numeric>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

constexpr int kDrive = 2; // sdb

std::string TrimEnd(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

class StationEffects : public MpApiLine {
protected:
    void SetUp() override {
        MpApiLine::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        DescribeDrives({"drive d1 at=xhci:1 flash=BICS3 ce=4 die=2 early-bad=12 later-bad=6 sn=SN-D1 "
                        "model-name=\"VARNET SSD\" fw=VT01A001"});
        Attach({{"sdb", "d1"}});
    }

    fs::path MpStation(int pretestType, std::string_view more = "") {
        return SettingsFile(
            "04_MP.ini", 3,
            "ModelName=VARNET PRO 512\r\n[Device Info]\r\nICFWVersion=VN3C0620\r\n[Options]\r\n"
            "PretestType=" +
                std::to_string(pretestType) + "\r\n" + std::string(more));
    }

    std::array<uint8_t, MP_API_HISTORY_SIZE> History() {
        std::array<uint8_t, MP_API_HISTORY_SIZE> area{};
        EXPECT_EQ(api.WriteReadPH(kDrive, 0, area.data(), MP_API_HISTORY_SIZE), 1);
        return area;
    }
};

TEST_F(StationEffects, IdentifyDescribesTheDriveAsDescribed) {
    std::array<uint8_t, MP_API_IDENTIFY_SIZE> data{};
    ASSERT_EQ(api.GetIdentifyInfoBuf(kDrive, data.data()), 1);
    const Identity id = ReadIdentity(data);
    EXPECT_EQ(id.serial, "SN-D1               ");
    EXPECT_EQ(id.firmware, "VT01A001");
    EXPECT_EQ(TrimEnd(id.model), "VARNET SSD");
    // 256 GB by the drive makers' formula, which fits the low 32 bits.
    EXPECT_EQ(id.sectorsLow, 500118192u);
    EXPECT_EQ(data[510], 0xA5);
    EXPECT_EQ(std::accumulate(data.begin(), data.end(), 0u) % 256, 0u);
}

TEST_F(StationEffects, BurnInStartLeavesBurnInFirmwareAndTheSerialNumber) {
    PortBuffers port;
    // Nothing to read before a burn-in ran.
    EXPECT_FALSE(ReadLog(kDrive, "RDT_SN-D1_P1", SettingsFile("INI_Port_0.ini", 2), port));
    EXPECT_EQ(port.Code(), "0x21");

    ASSERT_TRUE(Pretest(kDrive, "VN2612000001", SettingsFile("02_RDT.ini", 1), port)) << port.Message();
    EXPECT_EQ(port.Code(), "");
    EXPECT_EQ(port.record.progress, 100);
    const std::optional<Identity> id = Identify(kDrive);
    ASSERT_TRUE(id);
    EXPECT_EQ(TrimEnd(id->serial), "VN2612000001");
    EXPECT_EQ(id->firmware, "VTS1A001");
    EXPECT_EQ(TrimEnd(id->model), "VARNET SSD");

    // The init's report is the erase count as the init found the drive.
    ReaderPort init = ReadErase(ReportOf("VN2612000001"));
    EXPECT_EQ(init.result->stationName, "02_RDT");
    EXPECT_EQ(init.result->earlyBadTotal, 12);
    EXPECT_EQ(init.result->laterBadTotal, 0);
    // The burn-in has run by the time the result station asks.
    ASSERT_TRUE(ReadLog(kDrive, "RDT_VN2612000001_P1", "INI_Port_0.ini", port)) << port.Message();
    EXPECT_EQ(ReadRdt(ReportOf("RDT_VN2612000001_P1")).result->laterBadTotal, 6);
}

TEST_F(StationEffects, ProductionGivesProductionFirmwareModelAndSerialNumber) {
    StartBurnIn(kDrive, "VN2612000001");
    PortBuffers port;
    ASSERT_TRUE(Pretest(kDrive, "VN2612000002", MpStation(3), port)) << port.Message();
    const std::optional<Identity> id = Identify(kDrive);
    ASSERT_TRUE(id);
    EXPECT_EQ(TrimEnd(id->serial), "VN2612000002");
    EXPECT_EQ(id->firmware, "VN3C0620");
    EXPECT_EQ(TrimEnd(id->model), "VARNET PRO 512");
    // The production report still shows what the burn-in found.
    EXPECT_EQ(ReadErase(ReportOf("VN2612000002")).result->laterBadTotal, 6);
    // The burn-in log stays readable on production firmware.
    ASSERT_TRUE(ReadBadLog(kDrive, "RDT_VN2612000002_P1", SettingsFile("INI_Port_0.ini", 3), port));

    // A firmware name set for the station wins over the controller version.
    ASSERT_TRUE(Pretest(kDrive, "VN2612000003", MpStation(3, "Set Firmware Name=PAFEC1.0\r\n"), port));
    EXPECT_EQ(Identify(kDrive)->firmware, "PAFEC1.0");
}

TEST_F(StationEffects, PretestTypeDecidesWhetherGrownBlocksJoinTheTable) {
    // Types 2 and 3 take run-time and burn-in bad blocks into the production
    // table; 0 and 1 leave them grown, so later scans still count them.
    for (const auto& [type, laterAfter, earlyAfter] :
         {std::tuple{0, 6, 12}, std::tuple{1, 6, 12}, std::tuple{2, 0, 18}, std::tuple{3, 0, 18}}) {
        SCOPED_TRACE(type);
        fs::remove_all("Sim/drives");
        StartBurnIn(kDrive, "VN1");
        PortBuffers port;
        ASSERT_TRUE(Pretest(kDrive, "VN2", MpStation(type), port)) << port.Message();
        ASSERT_EQ(api.ScandBadBlock(kDrive, "VN3C0620_MP_BICS3.bin", "BadBlockTable_2.txt"), 1);
        ReaderPort scanned = ReadScan("BadBlockTable_2.txt");
        EXPECT_EQ(scanned.result->laterBadTotal, laterAfter);
        EXPECT_EQ(scanned.result->earlyBadTotal, earlyAfter);
    }
}

TEST_F(StationEffects, BurnInLogReadsJudgeTheSpecFileAndNeedABurnIn) {
    PortBuffers port;
    EXPECT_FALSE(ReadBadLog(kDrive, "RDT_1", SettingsFile("INI_Port_0.ini", 3), port));
    EXPECT_EQ(port.Code(), "0x21");
    EXPECT_NE(port.Message(), "");
    EXPECT_FALSE(fs::exists(ReportOf("RDT_1")));

    StartBurnIn(kDrive, "VN1");
    // Six later bad blocks against a spec of three: the firmware refuses, and
    // its report says so.
    EXPECT_FALSE(ReadLog(kDrive, "RDT_2",
                         SettingsFile("INI_Port_0.ini", 2, "[Options]\r\nTotal_LaterBad_Spec=3\r\n"), port));
    EXPECT_EQ(port.Code(), "0x22");
    ReaderPort refused = ReadRdt(ReportOf("RDT_2"));
    EXPECT_EQ(refused.result->failFlag, 1);
    EXPECT_EQ(refused.result->laterBadTotal, 6);
    // Relaxed specs let every drive through to the program's judgement.
    EXPECT_TRUE(ReadLog(kDrive, "RDT_3",
                        SettingsFile("INI_Port_0.ini", 2, "[Options]\r\nTotal_LaterBad_Spec=9999\r\n"),
                        port));
    EXPECT_EQ(port.Code(), "");
}

TEST_F(StationEffects, BuiltInTestRunsWithoutABurnIn) {
    PortBuffers port;
    ASSERT_TRUE(Pretest(kDrive, "VN1", MpStation(0), port));
    ASSERT_TRUE(ReadLog(kDrive, "ICT_VN1_P1", SettingsFile("INI_Port_0.ini", 5), port)) << port.Message();
    ReaderPort ict = ReadRdt(ReportOf("ICT_VN1_P1"));
    EXPECT_EQ(ict.result->stationName, "06_ICT");
    EXPECT_EQ(ict.result->earlyBadTotal, 12);
    EXPECT_EQ(ict.result->laterBadTotal, 0);
}

TEST_F(StationEffects, HistoryAreaKeepsWhatWasWritten) {
    // A new drive's history has no entries: every byte 0xFF.
    const auto empty = History();
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](uint8_t b) { return b == 0xFF; }));

    std::array<uint8_t, MP_API_HISTORY_SIZE> written{};
    for (size_t i = 0; i < written.size(); ++i)
        written[i] = static_cast<uint8_t>(i * 7 + i / 256);
    ASSERT_EQ(api.WriteReadPH(kDrive, 1, written.data(), MP_API_HISTORY_SIZE), 1);
    ASSERT_EQ(api.ResetSmart(kDrive), 1);
    EXPECT_EQ(History(), written);

    // Modes and lengths the area does not have are refused.
    std::array<uint8_t, MP_API_HISTORY_SIZE + 1> big{};
    EXPECT_EQ(api.WriteReadPH(kDrive, 2, big.data(), MP_API_HISTORY_SIZE), 0);
    EXPECT_EQ(api.WriteReadPH(kDrive, 1, big.data(), MP_API_HISTORY_SIZE + 1), 0);
    EXPECT_EQ(api.WriteReadPH(kDrive, 1, nullptr, MP_API_HISTORY_SIZE), 0);
    EXPECT_EQ(History(), written);
}

TEST_F(StationEffects, FirmwareDownloadTakesTheRevisionFromTheImage) {
    fs::create_directories("Bin");
    WriteText("Bin/VN3D0701_MP_BICS3.bin", "image");
    WriteText("Bin/VN3D0701_RDT_BICS3.bin", "image");
    EXPECT_EQ(api.DownLoadMicroCode(kDrive, "Bin/VN3D0701_MP_BICS3.bin"), 1);
    EXPECT_EQ(Identify(kDrive)->firmware, "VN3D0701");
    EXPECT_EQ(api.DownLoadMicroCode(kDrive, "Bin/VN3D0701_RDT_BICS3.bin"), 1);
    EXPECT_EQ(Identify(kDrive)->firmware, "VNSD0701");
    EXPECT_EQ(api.DownLoadMicroCode(kDrive, "Bin/missing.bin"), 0);
    EXPECT_EQ(api.DownLoadMicroCode(kDrive, nullptr), 0);
    EXPECT_EQ(Identify(kDrive)->firmware, "VNSD0701");
}

TEST_F(StationEffects, DeviceInfoAndErasesChangeTheDrive) {
    EXPECT_EQ(api.ModifyDeviceInfo(kDrive, "NEW MODEL", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 1);
    std::optional<Identity> id = Identify(kDrive);
    EXPECT_EQ(TrimEnd(id->model), "NEW MODEL");
    EXPECT_EQ(id->serial, "ABCDEFGHIJKLMNOPQRST");
    // An empty text leaves its field as it is.
    EXPECT_EQ(api.ModifyDeviceInfo(kDrive, "", "SN2"), 1);
    id = Identify(kDrive);
    EXPECT_EQ(TrimEnd(id->model), "NEW MODEL");
    EXPECT_EQ(TrimEnd(id->serial), "SN2");

    PortBuffers port;
    EXPECT_EQ(api.SecurityErase(kDrive, port.message.data()), 1);
    EXPECT_EQ(api.ResetSmart(kDrive), 1);
    EXPECT_EQ(IniGetInt("Sim/drives/d1.ini", "Drive", "SecureEraseCount", -1), 1);
    EXPECT_EQ(IniGetInt("Sim/drives/d1.ini", "Drive", "SmartResetCount", -1), 1);
}

TEST_F(MpApiLine, DriveNumbersNameKernelDisksAndOnlyAttachedDrivesAnswer) {
    DescribeDrives({"drive a at=xhci:1 sn=A", "drive z at=xhci:2 sn=Z", "drive aa at=xhci:3 sn=AA",
                    "drive loose at=xhci:4 sn=L unplugged"});
    Attach({{"sda", "a"}, {"sdz", "z"}, {"sdaa", "aa"}});
    for (const auto& [number, serial] : {std::pair{1, "A"}, std::pair{26, "Z"}, std::pair{27, "AA"}}) {
        const std::optional<Identity> id = Identify(number);
        ASSERT_TRUE(id) << number;
        EXPECT_EQ(TrimEnd(id->serial), serial);
    }
    EXPECT_FALSE(Identify(0));
    EXPECT_FALSE(Identify(2));

    // Unplugging takes the drive off the list; every call for it fails.
    Attach({{"sda", "a"}});
    PortBuffers port;
    EXPECT_FALSE(EraseAll(26, "E", SettingsFile("01_EraseAll.ini", 0), port));
    EXPECT_EQ(port.Code(), "0x10");
    EXPECT_NE(port.Message().find("sdz"), std::string::npos);
    EXPECT_EQ(api.ResetSmart(26), 0);
    // Plugged in again, as itself, under another name.
    Attach({{"sdc", "z"}});
    EXPECT_EQ(TrimEnd(Identify(3)->serial), "Z");
    // A list entry naming no drive of the station is no drive either.
    Attach({{"sdb", "nothing"}, {"sdc", "loose"}});
    EXPECT_FALSE(Identify(2));
    EXPECT_TRUE(Identify(3));
}

} // namespace
} // namespace varnet::test

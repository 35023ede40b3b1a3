// Every report the library writes, read back by the program's own readers to
// the values the drive's description and the settings meant: the flash-ID
// list, the erase-count report, the bad-block scan table and the burn-in log
// (settings line, per-plane block, both temperature tables, both limit
// forms, the fail list with its "NA" fields and hexadecimal blocks).
#include "mp_api_line.h"

#include "config/flash_database.h"
#include "platform/ini_file.h"
#include "reports/flash_id_list.h"

#include <set>
#include <tuple>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

constexpr int kDrive = 2; // sdb
// BICS3 parts have 512 blocks per plane here, so four planes make 2048 per die.
constexpr int kBlocksPerDie = 2048;

class ReportRoundTrip : public MpApiLine {
protected:
    void SetUp() override {
        MpApiLine::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        DescribeDrives({"drive d1 at=xhci:1 flash=BICS3 ce=4 die=2 plane=4 early-bad=12 later-bad=6 sn=SN-D1 "
                        "temp=52"});
        Attach({{"sdb", "d1"}});
    }

    ReaderPort Scan() {
        EXPECT_EQ(api.ScandBadBlock(kDrive, "VN3C0620_MP_BICS3.bin", "BadBlockTable_2.txt"), 1);
        return ReadScan("BadBlockTable_2.txt");
    }
};

TEST_F(MpApiLine, FlashIdListNamesEveryChipOfTheDrive) {
    const FlashId bics3 = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x00, 0x00};
    const FlashId l06b = {0x2C, 0x88, 0x04, 0x4B, 0xA9, 0x00, 0x00, 0x00};
    const struct {
        const char* keys;
        FlashId id;
        int ces;
        int channels;
    } cases[] = {
        {"flash=BICS3 ce=4", bics3, 4, 1},
        {"flash=L06B ce=20", l06b, 20, 3},
        // 256 GB of 32 GB dies: the fewest CEs that hold it.
        {"flash=BICS3", bics3, 8, 1},
        {"flash-id=\"2C 88 04 4B A9 00\" ce=2", l06b, 2, 1},
        {"flash=\"98 3C 98 B3 76 72-BICS3\" ce=32", bics3, 32, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        fs::remove_all("Sim/drives");
        DescribeDrives({std::string("drive d1 at=xhci:1 ") + c.keys});
        Attach({{"sdb", "d1"}});
        ASSERT_EQ(api.GetAllFlashID(kDrive, "AllFlashID_1.txt"), 1);

        ST_PORT_RESULT record{};
        ReadFlashIdList("AllFlashID_1.txt", record);
        EXPECT_EQ(record.flashCount, c.ces);
        EXPECT_EQ(record.channelCount, c.channels);
        for (int n = 0; n < kMaxFlashIds; ++n)
            EXPECT_EQ(record.flashId[static_cast<size_t>(n)] == c.id, n < c.ces) << "position " << n;
    }
}

TEST_F(ReportRoundTrip, EraseReportCountsOriginalAndGrownBlocks) {
    PortBuffers port;
    ASSERT_TRUE(EraseAll(kDrive, "EraseAll_1", SettingsFile("01_EraseAll.ini", 0), port)) << port.Message();
    const std::string text = ReadText(ReportOf("EraseAll_1"));
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);

    ReaderPort fresh = ReadErase(ReportOf("EraseAll_1"));
    EXPECT_EQ(fresh.result->resultKind, kResultErase);
    EXPECT_EQ(fresh.result->stationName, "01_EraseAll");
    EXPECT_EQ(fresh.result->ispFwVersion, "VT01A001");
    EXPECT_EQ(fresh.result->processTime, "0.0");
    EXPECT_EQ(fresh.result->diePerFlash, 2);
    EXPECT_EQ(fresh.result->failFlag, 0);
    EXPECT_EQ(fresh.result->earlyBadTotal, 12);
    EXPECT_EQ(fresh.result->laterBadTotal, 0);

    // The burn-in makes the weak blocks fail; an erase afterwards counts them
    // as later bad blocks, plane by plane where the scan table puts them.
    StartBurnIn(kDrive, "SN-D1");
    ASSERT_TRUE(EraseAll(kDrive, "EraseAll_2", "01_EraseAll.ini", port));
    ReaderPort erased = ReadErase(ReportOf("EraseAll_2"));
    EXPECT_EQ(erased.result->earlyBadTotal, 12);
    EXPECT_EQ(erased.result->laterBadTotal, 6);
    EXPECT_EQ(erased.result->allBadTotal, 18);
    ReaderPort scanned = Scan();
    EXPECT_EQ(erased.result->earlyBad, scanned.result->earlyBad);
    EXPECT_EQ(erased.result->laterBad, scanned.result->laterBad);
}

TEST_F(ReportRoundTrip, ScanTableListsEveryBadBlockWithItsPlaneAndKind) {
    StartBurnIn(kDrive, "SN-D1");
    ReaderPort scanned = Scan();
    const ST_PORT_RESULT& r = *scanned.result;
    EXPECT_EQ(r.resultKind, kResultScanBad);
    EXPECT_EQ(r.flashCount, 4);
    EXPECT_EQ(r.diePerFlash, 2);
    EXPECT_EQ(r.planeCount, 4);
    EXPECT_EQ(r.blocksPerCE, 2 * kBlocksPerDie);
    EXPECT_EQ(r.maxBadPerPlane, 12);
    EXPECT_EQ(r.earlyBadTotal, 12);
    EXPECT_EQ(r.laterBadTotal, 6);
    // Six weak blocks fail by turns: erase, program, read, read.
    EXPECT_EQ(r.eraseFailTotal, 2);
    EXPECT_EQ(r.programFailTotal, 2);
    EXPECT_EQ(r.readFailTotal, 2);

    ASSERT_EQ(scanned.badBlocks.size(), 18u);
    std::multiset<std::string> labels;
    std::set<std::tuple<int, int, int>> blocks;
    for (const BAD_BLOCK_INFO& b : scanned.badBlocks) {
        labels.insert(b.label.data());
        EXPECT_LT(b.ce, 4);
        EXPECT_EQ(b.channel, 0);
        EXPECT_GE(b.block, 4); // the first block of every plane holds the firmware
        EXPECT_LT(b.block, kBlocksPerDie);
        blocks.emplace(b.ce, b.die, b.block);
    }
    EXPECT_EQ(labels.count("Early"), 12u);
    EXPECT_EQ(labels.count("Erase"), 2u);
    EXPECT_EQ(labels.count("Program"), 2u);
    EXPECT_EQ(labels.count("Read"), 2u);
    EXPECT_EQ(blocks.size(), 18u);
}

struct RdtCase {
    const char* description;
    const char* burnInLines; // of the RDT start's station file
    const char* limitLines;  // of the limits file the log read gets
    const char* temperatureHeader;
    std::array<int, 4> settings; // TLC/MLC loop, SLC loop, ECC and SLC ECC threshold
    int maxLaterBad;
    int enableMaxFail;
    std::array<int, 3> maxFails; // erase, program, read
    int retentionTest;
};

const RdtCase kRdtCases[] = {
    {"three limits and an SLC loop",
     "[RDT]\r\nCycle=3\r\nCycle_SLC=5\r\n[Options]\r\nECC threshold=70\r\nSLC ECC threshold=45\r\n",
     "[Options]\r\nLaterBad_Spec=20\r\nTotal_LaterBad_Spec=30\r\n",
     "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)",
     {3, 5, 70, 45},
     30,
     0,
     {0, 0, 0},
     0},
    {"seven limits and no SLC loop",
     "[RDT]\r\nEnable_Set_Cycle_SLC=0\r\n",
     "[RDT]\r\nByte_146=1\r\nByte_101=08\r\nByte_147=02\r\nByte_148=03\r\nByte_149=04\r\n",
     "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)",
     {1, 0, 60, 40},
     8,
     1,
     {2, 3, 4},
     0},
    {"no limits line",
     "",
     "",
     "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)",
     {1, 1, 60, 40},
     0,
     0,
     {0, 0, 0},
     0},
    {"limit positions and a retention run",
     "",
     "[RDT]\r\nFailTotalLimitSel=6\r\n[Options]\r\nRetention_Test=2\r\n",
     "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)",
     {1, 1, 60, 40},
     5,
     1,
     {0, 0, 0},
     2},
};

class RdtRoundTrip : public ReportRoundTrip, public ::testing::WithParamInterface<RdtCase> {};

TEST_P(RdtRoundTrip, BurnInLogReadsBackAsRun) {
    const RdtCase& c = GetParam();
    StartBurnIn(kDrive, "SN-D1", c.burnInLines);
    const fs::path spec = SettingsFile("INI_Port_0.ini", 2, c.limitLines);
    PortBuffers port;
    ASSERT_TRUE(ReadLog(kDrive, "RDT_SN-D1_P1", spec, port)) << port.Message();
    const fs::path report = ReportOf("RDT_SN-D1_P1");
    EXPECT_NE(ReadText(report).find(std::string("\r\n") + c.temperatureHeader + "\r\n"), std::string::npos);

    ReaderPort read = ReadRdt(report);
    const ST_PORT_RESULT& r = *read.result;
    EXPECT_EQ(r.resultKind, kResultRdt);
    EXPECT_EQ(r.stationName, "03_RDTResult");
    EXPECT_EQ(r.failFlag, 0);
    ASSERT_GE(r.rdtFwVersion.size(), 3u);
    EXPECT_EQ(r.rdtFwVersion[2], 'S');
    EXPECT_FALSE(r.processTime.empty());
    EXPECT_EQ(r.diePerFlash, 2);
    EXPECT_EQ((std::array<int, 4>{r.tlcLoop, r.slcLoop, r.eccThreshold, r.slcEccThreshold}), c.settings);
    EXPECT_EQ(r.maxTemperature, "54°C");
    EXPECT_EQ(r.maxLaterBad, c.maxLaterBad);
    EXPECT_EQ(r.enableMaxFail, c.enableMaxFail);
    EXPECT_EQ((std::array<int, 3>{r.maxEraseFail, r.maxProgramFail, r.maxReadFail}), c.maxFails);
    EXPECT_EQ(r.retentionTest, c.retentionTest);
    EXPECT_EQ(r.retentionMark, c.retentionTest != 0 ? 1 : 0);

    // The per-plane block.
    EXPECT_EQ(r.earlyBadTotal, 12);
    EXPECT_EQ(r.laterBadTotal, 6);
    EXPECT_EQ(r.allBadTotal, 18);
    // The fail list: the original blocks with "NA" where a factory mark has no
    // burn-in position, then the run's failures by kind.
    EXPECT_EQ(r.eraseFailTotal, 2);
    EXPECT_EQ(r.programFailTotal, 2);
    EXPECT_EQ(r.readFailTotal, 2);
    ASSERT_EQ(read.badBlocks.size(), 18u);
    std::multiset<std::string> labels;
    std::set<std::tuple<int, int, int>> rdtBlocks;
    for (const BAD_BLOCK_INFO& b : read.badBlocks) {
        const std::string label = b.label.data();
        labels.insert(label);
        rdtBlocks.emplace(b.ce, b.plane, b.block);
        if (label == "Early Bad") {
            EXPECT_EQ(b.step, 0);
            EXPECT_EQ(b.timeStamp, 0);
        } else {
            EXPECT_GT(b.timeStamp, 0) << label;
        }
        EXPECT_EQ(b.overThresholdBits > c.settings[2], label == "Read over threshold") << label;
    }
    EXPECT_EQ(labels.count("Early Bad"), 12u);
    EXPECT_EQ(labels.count("Erase Fail"), 2u);
    EXPECT_EQ(labels.count("Program Fail"), 2u);
    EXPECT_EQ(labels.count("Read uncorrectable"), 1u);
    EXPECT_EQ(labels.count("Read over threshold"), 1u);

    // Written in hexadecimal, the blocks are the ones the scan table lists.
    std::set<std::tuple<int, int, int>> scanBlocks;
    for (const BAD_BLOCK_INFO& b : Scan().badBlocks)
        scanBlocks.emplace(b.ce, b.plane, b.block);
    EXPECT_EQ(rdtBlocks, scanBlocks);

    // The burn-in summary the production step copies on: done, six later bad
    // blocks, top temperature 54.
    EXPECT_EQ(IniGetString(spec, "InfoBlock", "Byte_80", "", 8), "01");
    EXPECT_EQ(IniGetString(spec, "InfoBlock", "Byte_81", "", 8), "06");
    EXPECT_EQ(IniGetString(spec, "InfoBlock", "Byte_83", "", 8), "36");
}

INSTANTIATE_TEST_SUITE_P(Cases, RdtRoundTrip, ::testing::ValuesIn(kRdtCases),
                         [](const ::testing::TestParamInfo<RdtCase>& param) {
                             return CaseName(param.param.description);
                         });

TEST_F(ReportRoundTrip, CeMaskOfTheBurnInReadLeavesOtherCesOut) {
    DescribeDrives({"drive d1 at=xhci:1 flash=BICS3 ce=4 die=1 plane=2 later-bad=5 later-bad-ce=3"});
    StartBurnIn(kDrive, "SN-D1");
    PortBuffers port;
    ASSERT_TRUE(ReadLog(kDrive, "RDT_1", SettingsFile("INI_Port_0.ini", 2), port));
    // The CE mask is the program's to apply: the report itself has every CE.
    ReportContext masked;
    masked.enableCeMask = 1;
    masked.setCeMask = 0x7;
    masked.testStationSel = 3;
    EXPECT_EQ(ReadRdt(ReportOf("RDT_1")).result->laterBadTotal, 5);
    EXPECT_EQ(ReadRdt(ReportOf("RDT_1"), masked).result->laterBadTotal, 0);
    EXPECT_TRUE(ReadRdt(ReportOf("RDT_1"), masked).badBlocks.empty());
}

} // namespace
} // namespace varnet::test

// 08_Scan Bad: when the scan may run, what reaches the library, which table
// is judged, and the verdict by the later bad blocks.
#include "bad_block_report_generator.h"
#include "drive_page_support.h"
#include "station_fixture.h"
#include "stations/station_steps.h"
#include "unreadable_reports.h"

#include <gtest/gtest.h>

namespace varnet::test {
namespace {

constexpr int kPort = 2; // port 3, drive 3
constexpr FlashId kPopulated{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x0C};

PortSteps ScanOnly() {
    PortSteps steps;
    steps.scanBad = &ScanBadStation;
    return steps;
}

// One CE with one die of two planes, 40 bad blocks allowed per plane: the
// spare total is 80, the valid spare 80 less the bad blocks.
std::string ScanTable(int32_t laterOnPlane1) {
    BadBlockReportContent content;
    content.flashNumber = 1;
    content.diePerFlash = 1;
    content.planes = 2;
    content.maxBadPerPlane = 40;
    BadBlockDie die;
    die.early = {3, 2, 0, 0};
    die.later = {0, laterOnPlane1, 0, 0};
    content.dies = {die};
    return WriteScanBadReport(content);
}

struct ScanCase {
    explicit ScanCase(uint32_t capacityMb = 256000)
        : f(kStationScanBad, {"Device Info|ISP_MPBINCode=.\\Bin\\MP.bin"}, 0, ScanOnly()) {
        PageExtras extras;
        extras.capacityMbByDrive = {{kPort + 1, capacityMb}};
        RebuildPage(f, extras);
        f.AttachDrive(kPort);
        Result().flashId[0] = kPopulated;
    }
    ST_PORT_RESULT& Result() { return f.page->portResult[kPort]; }
    std::filesystem::path Table() const { return f.dir.path() / "Log/BadBlockTable_3.txt"; }

    StationFixture f;
};

std::string Counts(const char* head, int early, int later, int total, int spare, int validSpare) {
    return std::string(11, ' ') + head +
           Format("\r\nEarly Bad: %d\r\nLater Bad: %d\r\nTotal Bad: %d\r\n"
                  "Total Spare: %d\r\nValid Spare: %d\r\n",
                  early, later, total, spare, validSpare);
}

TEST(ScanBadStation, JudgesTheTableByItsLaterBadBlocks) {
    const std::string noTable;
    struct Row {
        const char* what;
        bool libraryAnswers;
        std::string table; // empty: the library writes none
        std::string verdict;
        uint8_t kind;
    };
    const Row rows[] = {
        {"clean table", true, ScanTable(0), Counts("Pass!", 5, 0, 5, 80, 75), kTilePass},
        {"later bad blocks despite success", true, ScanTable(1), Counts("Fail!", 5, 1, 6, 80, 74), kTileFail},
        {"failed call that left later bad blocks", false, ScanTable(1), Counts("Fail!", 5, 1, 6, 80, 74),
         kTileFail},
        {"failed call, clean table", false, ScanTable(0),
         std::string(11, ' ') + "Fail!\r\nScan Bad Block Fail!", kTileFail},
        {"failed call, no table", false, noTable, std::string(11, ' ') + "Fail!\r\nScan Bad Block Fail!",
         kTileFail},
        {"success without a table", true, noTable, std::string(11, ' ') + "Fail!\r\nNo Bad Block Table!",
         kTileFail},
        {"success with a file that is no table", true, "garbage\r\n",
         std::string(11, ' ') + "Fail!\r\nBad Block Table unreadable!", kTileFail},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScanCase c;
        int drive = 0;
        std::string firmware, output;
        int32_t shownDuringCall = -1;
        c.f.library.scanBadBlock = [&](int d, const char* mpFirmware, const char* path) {
            drive = d;
            firmware = mpFirmware;
            output = path;
            shownDuringCall = c.f.Tile(kPort).shownProgress;
            if (!row.table.empty())
                WriteText(path, row.table);
            return row.libraryAnswers;
        };

        c.f.Run(kPort, PORT_SCAN_BAD);

        const TileState tile = c.f.Tile(kPort);
        EXPECT_EQ(tile.statusText, row.verdict);
        EXPECT_EQ(tile.kind, row.kind);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.fontSize, 78);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(c.f.page->portAction[kPort].load(), PORT_DONE);
        EXPECT_EQ(c.Result().failFlag, row.kind == kTileFail ? 1 : 0);
        EXPECT_EQ(drive, 3);
        EXPECT_EQ(firmware, ".\\Bin\\MP.bin");
        // In the log root, not in the day folder.
        EXPECT_EQ(output, c.Table().string());
        EXPECT_EQ(c.Result().reportPath, c.Table().string());
        EXPECT_EQ(shownDuringCall, 50);
        EXPECT_EQ(c.Result().stationName, row.table.empty() ? "" : "ScanBadBlock");
    }
}

TEST(ScanBadStation, RefusesADriveNotOnProductionFirmware) {
    struct Row {
        const char* what;
        uint8_t inRdtFirmware;
        uint32_t capacityMb; // 0: the drive does not answer
        bool refused;
    };
    const Row rows[] = {
        {"burn-in firmware", 1, 256000, true},
        {"99 MB", 0, 99, true},
        {"no capacity", 0, 0, true},
        {"100 MB", 0, 100, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScanCase c(row.capacityMb);
        c.Result().inRdtFirmware = row.inRdtFirmware;
        c.f.library.scanBadBlock = [](int, const char*, const char* path) {
            WriteText(path, ScanTable(0));
            return true;
        };
        c.f.Run(kPort, PORT_SCAN_BAD);
        const TileState tile = c.f.Tile(kPort);
        if (row.refused) {
            EXPECT_EQ(tile.statusText, std::string(11, ' ') + "Fail!\r\nNot run on FW code!");
            EXPECT_EQ(tile.kind, kTileFail);
            EXPECT_TRUE(c.f.library.Calls().empty());
            EXPECT_EQ(c.Result().failFlag, 1);
        } else {
            EXPECT_EQ(tile.kind, kTilePass);
        }
        EXPECT_EQ(c.f.page->portAction[kPort].load(), PORT_DONE);
    }
}

TEST(ScanBadStation, NeverJudgesATableAnEarlierRunLeft) {
    ScanCase c;
    const std::filesystem::path copy = c.f.dir.path() / "Log/Copy of BadBlockTable_3.txt";
    WriteText(c.Table(), ScanTable(4));
    WriteText(copy, ScanTable(4));
    bool staleGone = false;
    c.f.library.scanBadBlock = [&](int, const char*, const char*) {
        staleGone = !std::filesystem::exists(c.Table());
        return false;
    };
    c.f.Run(kPort, PORT_SCAN_BAD);
    EXPECT_TRUE(staleGone);
    EXPECT_EQ(c.f.Tile(kPort).statusText, std::string(11, ' ') + "Fail!\r\nScan Bad Block Fail!");
    EXPECT_TRUE(std::filesystem::exists(copy));

    // A table the call wrote under another spelling of the name is this run's.
    const std::filesystem::path shouted = c.f.dir.path() / "Log/BADBLOCKTABLE_3.TXT";
    c.f.library.scanBadBlock = [&](int, const char*, const char*) {
        WriteText(shouted, ScanTable(1));
        return true;
    };
    c.f.Run(kPort, PORT_SCAN_BAD);
    EXPECT_EQ(c.f.Tile(kPort).statusText, Counts("Fail!", 5, 1, 6, 80, 74));
    EXPECT_EQ(c.Result().reportPath, shouted.string());
}

// A table without a CE and die block shows no later bad blocks: the scan
// judged nothing, and the drive must not pass with zero counts.
TEST(ScanBadStation, ATableWithoutBlocksFails) {
    for (const unreadable::Report& report : unreadable::Reports(ScanTable(1), "CENo_0(Phy:0)")) {
        SCOPED_TRACE(report.name);
        ScanCase c;
        c.f.library.scanBadBlock = [&](int, const char*, const char* path) {
            WriteText(path, report.bytes);
            return true;
        };
        c.f.Run(kPort, PORT_SCAN_BAD);

        EXPECT_EQ(c.f.Tile(kPort).statusText, std::string(11, ' ') + "Fail!\r\nBad Block Table unreadable!");
        EXPECT_EQ(c.f.Tile(kPort).kind, kTileFail);
        EXPECT_EQ(c.Result().failFlag, 1);
        EXPECT_EQ(c.Result().reportPath, c.Table().string());
    }
}

} // namespace
} // namespace varnet::test

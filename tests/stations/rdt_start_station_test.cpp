#include "bad_block_report_generator.h"
#include "burn_in_support.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "production_station_support.h"
#include "station_fixture.h"
#include "stations/station_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace varnet::test {
namespace {

PortSteps RdtStartOnly() {
    PortSteps steps;
    steps.rdtStart = &RunRdtStart;
    return steps;
}

// An erase report of 3 early and 1 later bad blocks (and `early` early ones
// on a second die, to tell reports apart).
std::string EraseReport(int extraEarly = 0) {
    BadBlockReportContent content;
    content.testStationSel = 1;
    BadBlockDie die;
    die.early = {2, 1, 0, 0};
    die.later = {0, 1, 0, 0};
    BadBlockDie second;
    second.die = 1;
    second.early = {extraEarly, 0, 0, 0};
    content.dies = {die, second};
    return WriteEraseReport(content);
}

constexpr uint32_t kSectorsPerMb = 2048;

struct PassCase {
    const char* name;
    int language;
    bool identifyAnswers;
    uint64_t identifySectors; // 48-bit count
    uint32_t systemMb;
    const char* text;
};

TEST(RdtStartStation, PassShowsCapacityEraseCountsAndTheSerialTheDriveNowReports) {
    const PassCase cases[] = {
        {"identify size in GB", 0, true, 1024 * kSectorsPerMb, 300,
         "           Pass!\r\nTotalSize: 1.00GB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n"
         "SN: NEWSN0000001  AB    "},
        {"chinese", 1, true, 1024 * kSectorsPerMb, 300,
         "           Pass!\r\n总容量: 1.00GB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n"
         "序列号: NEWSN0000001  AB    "},
        {"1023 MiB stays in MB", 0, true, 1023 * kSectorsPerMb, 300,
         "           Pass!\r\nTotalSize: 1023MB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n"
         "SN: NEWSN0000001  AB    "},
        {"a 2 TB drive's count above 2^31 sectors", 0, true, 3907029168u, 300,
         "           Pass!\r\nTotalSize: 1863.02GB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n"
         "SN: NEWSN0000001  AB    "},
        {"a 4 TB drive's count above 2^32 sectors", 0, true, 7814037168u, 300,
         "           Pass!\r\nTotalSize: 3726.02GB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n"
         "SN: NEWSN0000001  AB    "},
        {"no sector count: the system's size", 0, true, 0, 512,
         "           Pass!\r\nTotalSize: 512MB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n"
         "SN: NEWSN0000001  AB    "},
        {"identify fails: the number given and the system's size", 0, false, 0, 2048,
         "           Pass!\r\nTotalSize: 2.00GB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\nSN: IDSN-P3"},
    };
    for (const PassCase& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdt, {}, c.language, RdtStartOnly());
        GiveDrivesCapacity(f, {{3, c.systemMb}});
        f.AttachDrive(2);
        SetFieldText(f.page->devices.portIdentifySerial[2], "IDSN-P3");
        std::string folder, name, settings;
        f.library.pretestInit = [&](const MpLibrary::Call& call) {
            folder = call.folder;
            name = call.name;
            settings = call.settingsFile;
            WriteText(burnin::LibraryReportPath(call), EraseReport());
            return true;
        };
        f.library.identify = [&](int drive, uint8_t* buffer) {
            EXPECT_EQ(drive, 3);
            auto data =
                MakeIdentifyData({"NEWSN0000001  AB    ", "", static_cast<uint32_t>(c.identifySectors)});
            data[204] = static_cast<uint8_t>(c.identifySectors >> 32);
            std::memcpy(buffer, data.data(), data.size());
            return c.identifyAnswers;
        };
        f.Run(2, PORT_RDT);

        const TileState tile = f.Tile(2);
        EXPECT_EQ(tile.statusText, c.text);
        EXPECT_EQ(tile.kind, kTilePass);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.fontSize, 78);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(f.page->portAction[2].load(), PORT_DONE);
        EXPECT_EQ(folder, (f.dir.path() / "Log/20261210/02_RDT/").string());
        EXPECT_EQ(name, "IDSN-P3");
        EXPECT_EQ(settings, f.StationFile().string());
        EXPECT_EQ(f.page->portResult[2].reportPath, folder + "Report_IDSN-P3_1.txt");
    }
}

struct FailCase {
    const char* name;
    bool libraryWritesTexts;
    bool drivePulled;
    const char* text;
    uint8_t kind;
};

TEST(RdtStartStation, FailureShowsThisRunsLibraryTextsRedOrGreyWhenTheDriveIsGone) {
    const FailCase cases[] = {
        {"library texts", true, false, "           Fail!\r\n0x31\r\nInit \xEF\xBF\xBD fail\r\n", kTileFail},
        {"drive pulled", true, true, "           Fail!\r\n0x31\r\nInit \xEF\xBF\xBD fail\r\n", kTileIdle},
        {"no texts: the last run's are not shown", false, false, "           Fail!\r\n\r\n\r\n", kTileFail},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdt, {}, 0, RdtStartOnly());
        f.AttachDrive(0);
        SetFieldText(f.page->devices.portIdentifySerial[0], "IDSN-P1");
        SetFieldText(f.page->portResult[0].errorCode, "OLD");
        SetFieldText(f.page->portResult[0].errorMessage, "last run");
        f.library.pretestInit = [&](const MpLibrary::Call& call) {
            if (c.libraryWritesTexts)
                PutLibraryError(call, "0x31", "Init \xff fail");
            if (c.drivePulled)
                f.page->devices.Release(f.page->devices.DevicePath(0));
            return false;
        };
        f.Run(0, PORT_RDT);

        const TileState tile = f.Tile(0);
        EXPECT_EQ(tile.statusText, c.text);
        EXPECT_EQ(tile.kind, c.kind);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(f.page->portAction[0].load(), PORT_DONE);
    }
}

struct ReportCase {
    const char* name;
    std::vector<std::pair<std::string, int>> leftovers; // of an earlier run: name, extra early bad blocks
    std::vector<std::pair<std::string, int>> files;     // this run's call writes
    int earlyBad;                                       // as shown; -1: no counts shown (the record's 0)
    const char* report;                                 // the port's report path, in the folder
};

// The library may change the report name's case, so any spelling the call
// wrote is this run's report; one an earlier run left is never taken for it,
// even when it comes first in name order (upper case sorts first).
TEST(RdtStartStation, ReadsThisRunsReportInAnyLetterCaseNeverAnEarlierRunsOne) {
    const std::pair<std::string, int> shouted{"REPORT_IDSN-P1_1.TXT", 20};
    const ReportCase cases[] = {
        {"exact name", {}, {{"Report_IDSN-P1_1.txt", 0}}, 3, "Report_IDSN-P1_1.txt"},
        {"upper-case name", {}, {{"REPORT_IDSN-P1_1.TXT", 2}}, 5, "REPORT_IDSN-P1_1.TXT"},
        {"first of two matches",
         {},
         {{"report_idsn-p1_1.txt", 2}, {"A_Report_IDSN-P1_1.txt", 4}},
         7,
         "A_Report_IDSN-P1_1.txt"},
        {"the exact name before other matches",
         {},
         {{"Report_IDSN-P1_1.txt", 2}, {"A_Report_IDSN-P1_1.txt", 4}},
         5,
         "Report_IDSN-P1_1.txt"},
        {"none", {}, {}, -1, "Report_IDSN-P1_1.txt"},
        {"a stale report of an earlier run is deleted first",
         {{"Report_IDSN-P1_1.txt", 20}},
         {},
         -1,
         "Report_IDSN-P1_1.txt"},
        {"an earlier run's in another case, none of this run's", {shouted}, {}, -1, "Report_IDSN-P1_1.txt"},
        {"an earlier run's in another case beside this run's",
         {shouted},
         {{"Report_IDSN-P1_1.txt", 0}},
         3,
         "Report_IDSN-P1_1.txt"},
        {"an earlier run's in another case beside this run's in a third",
         {shouted},
         {{"report_IDSN-P1_1.txt", 2}},
         5,
         "report_IDSN-P1_1.txt"},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdt, {}, 0, RdtStartOnly());
        f.AttachDrive(0);
        SetFieldText(f.page->devices.portIdentifySerial[0], "IDSN-P1");
        f.page->portResult[0].earlyBadTotal = 9;
        const std::filesystem::path folder = f.dir.path() / "Log/20261210/02_RDT";
        std::filesystem::create_directories(folder);
        for (const auto& [file, extra] : c.leftovers)
            WriteText(folder / file, EraseReport(extra));
        f.library.pretestInit = [&](const MpLibrary::Call&) {
            for (const auto& [file, extra] : c.files)
                WriteText(folder / file, EraseReport(extra));
            return true;
        };
        f.library.identify = [](int, uint8_t*) { return false; };
        f.Run(0, PORT_RDT);

        EXPECT_EQ(f.page->portResult[0].earlyBadTotal, std::max(c.earlyBad, 0));
        const std::string shown = c.earlyBad < 0 ? "EarlyBad: " : Format("EarlyBad: %d\r\n", c.earlyBad);
        EXPECT_EQ(f.Tile(0).statusText.find(shown) != std::string::npos, c.earlyBad >= 0)
            << f.Tile(0).statusText;
        EXPECT_EQ(f.Tile(0).kind, kTilePass);
        EXPECT_EQ(f.page->portResult[0].reportPath, (folder / c.report).string());
    }
}

// The report only gives the counts the pass shows: without one (or with one
// that holds no count line) the verdict shows none, neither zeros nor what
// an earlier run left in the port's record, and the record keeps none.
TEST(RdtStartStation, WithoutItsReportThePassShowsNoCounts) {
    struct Case {
        const char* name;
        int language;
        const char* report; // this run's call writes; none when null
        const char* text;
    };
    const Case cases[] = {
        {"none", 0, nullptr, "           Pass!\r\nTotalSize: 512MB\r\nSN: IDSN-P1"},
        {"none, chinese", 1, nullptr, "           Pass!\r\n总容量: 512MB\r\n序列号: IDSN-P1"},
        {"one without a count line", 0, "", "           Pass!\r\nTotalSize: 512MB\r\nSN: IDSN-P1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdt, {}, c.language, RdtStartOnly());
        GiveDrivesCapacity(f, {{1, 512}});
        f.AttachDrive(0);
        SetFieldText(f.page->devices.portIdentifySerial[0], "IDSN-P1");
        ST_PORT_RESULT& record = f.page->portResult[0];
        record.earlyBadTotal = 9;
        record.laterBadTotal = 4;
        record.allBadTotal = 13;
        f.page->badBlockList[0].push_back(BAD_BLOCK_INFO{});
        f.library.pretestInit = [&](const MpLibrary::Call& call) {
            if (c.report)
                WriteText(burnin::LibraryReportPath(call), c.report);
            return true;
        };
        f.library.identify = [](int, uint8_t*) { return false; };
        f.Run(0, PORT_RDT);

        EXPECT_EQ(f.Tile(0).statusText, c.text);
        EXPECT_EQ(f.Tile(0).kind, kTilePass);
        EXPECT_EQ(record.earlyBadTotal, 0);
        EXPECT_EQ(record.laterBadTotal, 0);
        EXPECT_EQ(record.allBadTotal, 0);
        EXPECT_TRUE(f.page->badBlockList[0].empty());
    }
}

// Ports started together whose drives get one serial number: each library
// call writes its report where no other port's goes, and each port reads
// (and names as its report) its own, not the one left last. Ports with
// serial numbers of their own keep the log tree's paths.
TEST(RdtStartStation, PortsWithOneSerialNumberEachReadTheirOwnReport) {
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        bool oneName;
    };
    const Case cases[] = {
        {"unified serial number",
         {"SN Set|SN_Set=1", "SN Set|SN_Type=3", "General Info|SerialNum=SAME"},
         true},
        {"serial numbers of their own", {}, false},
    };
    const int ports[] = {0, 2, 8}; // drives 1, 3 and 9
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdt, c.keys, 0, RdtStartOnly());
        GiveDrivesCapacity(f, {{1, 512}, {3, 512}, {9, 512}});
        for (const int port : ports) {
            f.AttachDrive(port);
            SetFieldText(f.page->devices.portIdentifySerial[port], "IDSN" + std::to_string(port + 1));
        }
        f.library.identify = [](int, uint8_t*) { return false; };
        // Drive n's report says 10 n early bad blocks.
        f.library.pretestInit = [](const MpLibrary::Call& call) {
            BadBlockReportContent content;
            content.testStationSel = 1;
            BadBlockDie die;
            die.early = {10 * call.drive, 0, 0, 0};
            content.dies.push_back(die);
            WriteText(burnin::LibraryReportPath(call), WriteEraseReport(content));
            return true;
        };
        f.page->Start();
        f.page->WaitForPortRuns();

        const std::filesystem::path folder = f.dir.path() / "Log/20261210/02_RDT";
        std::set<std::string> paths;
        int inStationFolder = 0;
        for (const int port : ports) {
            const std::filesystem::path report = CheckOwnReport(f, port, folder);
            paths.insert(report.string());
            inStationFolder += report.parent_path() == folder ? 1 : 0;
            EXPECT_EQ(report.filename(),
                      c.oneName ? "Report_SAME_1.txt" : "Report_IDSN" + std::to_string(port + 1) + "_1.txt");
        }
        EXPECT_EQ(paths.size(), 3u);
        EXPECT_EQ(inStationFolder, c.oneName ? 1 : 3);
    }
}

struct SerialCase {
    const char* name;
    const char* current;
    const char* runName;
    const char* fileStartAfter;
};

TEST(RdtStartStation, AutoIncrementNumbersTheDriveWithoutTellingThePageAndGoesOnWhenUsedUp) {
    const SerialCase cases[] = {
        {"numbered", "SN05", "SN05", "SN06"},
        {"range used up", "SN99", "SN99", "SN99"},
    };
    for (const SerialCase& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdt,
                         {"SN Set|SN_Set=1", "SN Set|SN_Type=0", "SN Set|SN_Mask=SN##",
                          std::string("SN Set|SN_Start=") + c.current, "SN Set|SN_End=SN99",
                          std::string("General Info|SerialNum=") + c.current},
                         0, RdtStartOnly());
        f.AttachDrive(4);
        f.page->serial.currentSn = c.current;
        std::string name;
        f.library.pretestInit = [&](const MpLibrary::Call& call) {
            name = call.name;
            return true;
        };
        f.library.identify = [](int, uint8_t*) { return false; };
        f.Run(4, PORT_RDT);

        EXPECT_EQ(name, c.runName);
        const IniDocument file = IniDocument::Load(f.StationFile());
        EXPECT_EQ(file.GetString("SN Set", "SN_Start", "", 64), c.fileStartAfter);
        EXPECT_EQ(f.view.serialChangedPosts, 0);
        EXPECT_TRUE(f.view.messages.empty());
        EXPECT_EQ(f.Tile(4).kind, kTilePass);
        EXPECT_TRUE(f.Tile(4).statusText.ends_with(std::string("SN: ") + c.runName)) << f.Tile(4).statusText;
    }
}

TEST(RdtStartStation, ASerialNumberCannotLeadTheReportOutOfItsFolder) {
    StationFixture f(kStationRdt, {}, 0, RdtStartOnly());
    f.AttachDrive(1);
    SetFieldText(f.page->devices.portIdentifySerial[1], "../x/SN");
    std::string name;
    f.library.pretestInit = [&](const MpLibrary::Call& call) {
        name = call.name;
        return true;
    };
    f.Run(1, PORT_RDT);
    EXPECT_EQ(name, ".._x_SN");
    EXPECT_EQ(f.page->portResult[1].reportPath,
              (f.dir.path() / "Log/20261210/02_RDT/Report_.._x_SN_1.txt").string());
}

} // namespace
} // namespace varnet::test

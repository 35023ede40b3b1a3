#include "burn_in_support.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "station_fixture.h"
#include "stations/station_steps.h"
#include "unreadable_reports.h"

#include <gtest/gtest.h>

namespace varnet::test {
namespace {

using burnin::BurnInFigures;
using burnin::BurnInReport;
using burnin::LibraryReportPath;

PortSteps IctOnly() {
    PortSteps steps;
    steps.ict = &RunIct;
    return steps;
}

struct IctCase {
    const char* name;
    int language;
    bool burnInFirmware;
    bool libraryOk;
    const char* code; // null: the buffer is left alone
    bool writesReport;
    int later;
    bool drivePulled;
    const char* text;
    uint8_t kind;
    uint8_t failFlag;
};

TEST(IctStation, ThePassRuleJudgesTheLogWhateverFirmwareTheDriveRuns) {
    const IctCase cases[] = {
        {"10 later bad pass", 0, false, true, nullptr, true, 10, false,
         "           Pass!\r\nEarlyBad: 1\r\nLaterBad: 10\r\nTotalBad: 11\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\nTemp: 51°C",
         kTilePass, 0},
        {"chinese pass", 1, true, true, nullptr, true, 10, false,
         "           Pass!\r\nEarlyBad: 1\r\nLaterBad: 10\r\nTotalBad: 11\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\n温度: 51℃",
         kTilePass, 0},
        {"11 later bad fail off the burn-in firmware too", 0, false, true, nullptr, true, 11, false,
         "           Fail!\r\nEarly Bad: 1\r\nLater Bad: 11\r\nTotal Bad: 12\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\nTemp: 51°C",
         kTileFail, 1},
        {"chinese fail", 1, false, true, nullptr, true, 11, false,
         "           Fail!\r\nEarlyBad: 1\r\nLaterBad: 11\r\nTotalBad: 12\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\n温度: 51℃",
         kTileFail, 1},
        {"library code shown", 0, false, false, "E7", true, 0, false,
         "           E7\r\nEarly Bad: 1\r\nLater Bad: 0\r\nTotal Bad: 1\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\nTemp: 51°C",
         kTileFail, 0},
        {"code of a chinese character", 0, false, false, "失败", true, 0, false,
         "           Fail!\r\nEarly Bad: 1\r\nLater Bad: 0\r\nTotal Bad: 1\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\nTemp: 51°C",
         kTileFail, 1},
        {"no report of this run", 0, false, true, nullptr, false, 0, false,
         "           Fail!\r\nNo RDT report!", kTileFail, 1},
        {"drive pulled", 0, false, false, "E7", true, 0, true,
         "           E7\r\nEarly Bad: 1\r\nLater Bad: 0\r\nTotal Bad: 1\r\n"
         "EraseFail: 0\r\nProgFail: 1\r\nReadFail: 2\r\nTemp: 51°C",
         kTileIdle, 0},
    };
    for (const IctCase& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationIct, {}, c.language, IctOnly());
        f.AttachDrive(0);
        SetFieldText(f.page->devices.portIdentifySerial[0], "SN01");
        f.page->portResult[0].inRdtFirmware = c.burnInFirmware ? 1 : 0;
        SetFieldText(f.page->portResult[0].errorCode, "E99 of the last run");
        f.library.readRdtLog = [&](const MpLibrary::Call& call) {
            if (c.writesReport)
                WriteText(LibraryReportPath(call), BurnInReport(BurnInFigures{1, c.later, 0, 1, 2, 51}));
            if (c.code)
                PutLibraryError(call, c.code, "");
            if (c.drivePulled)
                f.page->devices.Release(f.page->devices.DevicePath(0));
            return c.libraryOk;
        };
        f.Run(0, PORT_ICT);

        const TileState tile = f.Tile(0);
        EXPECT_EQ(tile.statusText, c.text);
        EXPECT_EQ(tile.kind, c.kind);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.fontSize, 78);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(f.page->portResult[0].failFlag, c.failFlag);
        EXPECT_EQ(f.page->portAction[0].load(), PORT_DONE);
        EXPECT_EQ(f.library.Calls(), std::vector<std::string>{"Read_RDT_Log"});
    }
}

TEST(IctStation, NamesTheRunByTheIdentifySerialAndKeepsTheStationsSpecs) {
    StationFixture f(kStationIct, {"Options|LaterBad_Spec=20", "Options|EarlyBad_Spec=30"}, 0, IctOnly());
    f.AttachDrive(3);
    SetFieldText(f.page->devices.portIdentifySerial[3], "SN44");
    const std::filesystem::path staleReport = f.dir.path() / "Log/20261210/06_ICT/Report_ICT_SN44_P4_1.txt";
    std::filesystem::create_directories(staleReport.parent_path());
    WriteText(staleReport, BurnInReport({}));
    std::string folder, name, settings, laterBadSpec, earlyBadSpec;
    bool staleGone = false;
    f.library.readRdtLog = [&](const MpLibrary::Call& call) {
        folder = call.folder;
        name = call.name;
        settings = call.settingsFile;
        staleGone = !std::filesystem::exists(staleReport);
        const IniDocument spec = IniDocument::Load(call.settingsFile);
        laterBadSpec = spec.GetString("Options", "LaterBad_Spec", "", 64);
        earlyBadSpec = spec.GetString("Options", "EarlyBad_Spec", "", 64);
        return true;
    };
    f.Run(3, PORT_ICT);

    EXPECT_EQ(folder, (f.dir.path() / "Log/20261210/06_ICT/").string());
    EXPECT_EQ(name, "ICT_SN44_P4");
    EXPECT_EQ(settings, (f.dir.path() / "Config/INI_Port_3.ini").string());
    EXPECT_EQ(laterBadSpec, "20");
    EXPECT_EQ(earlyBadSpec, "30");
    EXPECT_TRUE(staleGone);
    EXPECT_EQ(f.page->portResult[3].reportPath, staleReport.string());
}

TEST(IctStation, WithoutItsSpecFileTheLogIsNotReadAndTheDriveFails) {
    StationFixture f(kStationIct, {}, 0, IctOnly());
    f.AttachDrive(1);
    std::filesystem::remove(f.StationFile());
    f.Run(1, PORT_ICT);

    EXPECT_TRUE(f.library.Calls().empty());
    EXPECT_TRUE(f.Tile(1).statusText.starts_with("           Fail!\r\n")) << f.Tile(1).statusText;
    EXPECT_EQ(f.Tile(1).kind, kTileFail);
    EXPECT_EQ(f.page->portResult[1].failFlag, 1);
    EXPECT_EQ(f.page->portAction[1].load(), PORT_DONE);
}

// A log without its counts would be judged by the pass rule as zeros: a
// drive whose log the library could not write out must not pass.
TEST(IctStation, ALogWithoutCountsFailsAndSaysWhy) {
    for (const unreadable::Report& report :
         unreadable::Reports(BurnInReport(BurnInFigures{1, 24, 0, 1, 2, 51}), "CE_0,Die_0,Plane_0,")) {
        SCOPED_TRACE(report.name);
        StationFixture f(kStationIct, {}, 0, IctOnly());
        f.AttachDrive(0);
        SetFieldText(f.page->devices.portIdentifySerial[0], "SN01");
        f.page->portResult[0].earlyBadTotal = 31; // what an earlier run left
        f.library.readRdtLog = [&](const MpLibrary::Call& call) {
            WriteText(LibraryReportPath(call), report.bytes);
            return true;
        };
        f.Run(0, PORT_ICT);

        EXPECT_EQ(f.Tile(0).statusText, "           Fail!\r\nRDT report unreadable!");
        EXPECT_EQ(f.Tile(0).kind, kTileFail);
        EXPECT_EQ(FieldText(f.page->portResult[0].errorMessage), "RDT report unreadable!");
        EXPECT_EQ(f.page->portResult[0].failFlag, 1);
    }
}

} // namespace
} // namespace varnet::test

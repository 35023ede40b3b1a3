#include "burn_in_support.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "station_fixture.h"
#include "stations/port_steps.h"
#include "stations/station_steps.h"
#include "unreadable_reports.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnet::test {
namespace {

using burnin::BurnInFigures;
using burnin::BurnInReport;
using burnin::LibraryReportPath;

bool Called(const ScriptedLibrary& library, std::string_view entryPoint) {
    const std::vector<std::string> calls = library.Calls();
    return std::find(calls.begin(), calls.end(), entryPoint) != calls.end();
}

struct VerdictCase {
    const char* name;
    int language;
    bool burnInFirmware;
    bool libraryOk;
    const char* code;  // put into the error buffer by the library; null: left alone
    bool writesReport; // of `later` later bad blocks
    int later;
    bool staleReport; // a passing report of an earlier run at this run's path
    bool drivePulled;
    const char* text;
    uint8_t kind;
    uint8_t failFlag;
};

// 2 early bad blocks, 1 erase, 2 program and 3 read failures, 45 degrees.
BurnInFigures Figures(int later) {
    return {2, later, 1, 2, 3, 45};
}

TEST(RdtResultStation, VerdictFollowsTheLibraryAndOnTheBurnInFirmwareThePassRule) {
    const VerdictCase cases[] = {
        {"burn-in firmware, 10 later bad pass", 0, true, true, nullptr, true, 10, false, false,
         "           Pass!\r\nEarlyBad: 2\r\nLaterBad: 10\r\nTotalBad: 12\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTilePass, 0},
        {"chinese pass", 1, true, true, nullptr, true, 10, false, false,
         "           Pass!\r\nEarlyBad: 2\r\nLaterBad: 10\r\nTotalBad: 12\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\n温度: 45℃",
         kTilePass, 0},
        {"11 later bad fail the pass rule", 0, true, true, nullptr, true, 11, false, false,
         "           Fail!\r\nEarly Bad: 2\r\nLater Bad: 11\r\nTotal Bad: 13\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTileFail, 1},
        {"chinese fail", 1, true, true, nullptr, true, 11, false, false,
         "           Fail!\r\nEarlyBad: 2\r\nLaterBad: 11\r\nTotalBad: 13\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\n温度: 45℃",
         kTileFail, 1},
        {"off the burn-in firmware the library alone judges", 0, false, true, nullptr, true, 50, false, false,
         "           Pass!\r\nEarlyBad: 2\r\nLaterBad: 50\r\nTotalBad: 52\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTilePass, 0},
        {"library code shown", 0, true, false, "E12", true, 0, false, false,
         "           E12\r\nEarly Bad: 2\r\nLater Bad: 0\r\nTotal Bad: 2\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTileFail, 0},
        {"code of a chinese character", 0, false, false, "读取失败", true, 0, false, false,
         "           Fail!\r\nEarly Bad: 2\r\nLater Bad: 0\r\nTotal Bad: 2\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTileFail, 1},
        {"library failure without a code: not the last run's", 0, true, false, nullptr, true, 0, false, false,
         "           Fail!\r\nEarly Bad: 2\r\nLater Bad: 0\r\nTotal Bad: 2\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTileFail, 1},
        {"a code left on success does not stand for the pass rule", 0, true, true, "0000", true, 11, false,
         false,
         "           Fail!\r\nEarly Bad: 2\r\nLater Bad: 11\r\nTotal Bad: 13\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTileFail, 1},
        {"no report of this run on the burn-in firmware", 0, true, true, nullptr, false, 0, true, false,
         "           Fail!\r\nNo RDT report!", kTileFail, 1},
        {"drive pulled", 0, true, false, "E12", true, 0, false, true,
         "           E12\r\nEarly Bad: 2\r\nLater Bad: 0\r\nTotal Bad: 2\r\n"
         "EraseFail: 1\r\nProgFail: 2\r\nReadFail: 3\r\nTemp: 45°C",
         kTileIdle, 0},
    };
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationRdtResult, {}, c.language, DefaultPortSteps());
        f.AttachDrive(0);
        SetFieldText(f.page->devices.portIdentifySerial[0], "SN01");
        f.page->portResult[0].inRdtFirmware = c.burnInFirmware ? 1 : 0;
        SetFieldText(f.page->portResult[0].errorCode, "E99 of the last run");
        if (c.staleReport) {
            const std::filesystem::path folder = f.dir.path() / "Log/20261210/03_RDTResult";
            std::filesystem::create_directories(folder);
            WriteText(folder / "Report_RDT_SN01_P1_1.txt", BurnInReport(Figures(0)));
        }
        const auto read = [&](const MpLibrary::Call& call) {
            if (c.writesReport)
                WriteText(LibraryReportPath(call), BurnInReport(Figures(c.later)));
            if (c.code)
                PutLibraryError(call, c.code, "");
            if (c.drivePulled)
                f.page->devices.Release(f.page->devices.DevicePath(0));
            return c.libraryOk;
        };
        f.library.readRdtLog = read;
        f.library.readRdtBadLog = read;
        f.Run(0, PORT_RDT_RESULT);

        const TileState tile = f.Tile(0);
        EXPECT_EQ(tile.statusText, c.text);
        EXPECT_EQ(tile.kind, c.kind);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.fontSize, 78);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(f.page->portResult[0].failFlag, c.failFlag);
        EXPECT_EQ(f.page->portAction[0].load(), PORT_DONE);
        EXPECT_TRUE(Called(f.library, c.burnInFirmware ? "Read_RDT_Log" : "Read_RDT_Bad_Log"));
        EXPECT_FALSE(Called(f.library, c.burnInFirmware ? "Read_RDT_Bad_Log" : "Read_RDT_Log"));
    }
}

struct NameCase {
    const char* identifySerial;
    bool relax;
    const char* runName;
    const char* laterBadSpec; // as the library reads it
};

TEST(RdtResultStation, NamesTheRunByTheIdentifySerialAndRelaxesSpecsOnlyForTheResultPage) {
    const NameCase cases[] = {
        {"SN77", false, "RDT_SN77_P3", "20"},
        {"", false, "RDT__P3", "20"},
        {"SN77", true, "RDT_SN77_P3", "9999"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(std::string(c.runName) + (c.relax ? " relaxed" : ""));
        StationFixture f(kStationRdtResult, {"Options|LaterBad_Spec=20", "Options|EarlyBad_Spec=30"}, 0,
                         DefaultPortSteps());
        f.AttachDrive(2);
        SetFieldText(f.page->devices.portIdentifySerial[2], c.identifySerial);
        std::string folder, name, settings, laterBadSpec, earlyBadSpec;
        f.library.readRdtBadLog = [&](const MpLibrary::Call& call) {
            folder = call.folder;
            name = call.name;
            settings = call.settingsFile;
            const IniDocument spec = IniDocument::Load(call.settingsFile);
            laterBadSpec = spec.GetString("Options", "LaterBad_Spec", "", 64);
            earlyBadSpec = spec.GetString("Options", "EarlyBad_Spec", "", 64);
            return true;
        };
        if (c.relax) {
            PortContext context = f.page->PortContextFor(2);
            RunRdtResult(context, true);
        } else
            f.Run(2, PORT_RDT_RESULT);

        EXPECT_EQ(folder, (f.dir.path() / "Log/20261210/03_RDTResult/").string());
        EXPECT_EQ(name, c.runName);
        EXPECT_EQ(settings, (f.dir.path() / "Config/INI_Port_2.ini").string());
        EXPECT_EQ(laterBadSpec, c.laterBadSpec);
        EXPECT_EQ(earlyBadSpec, c.relax ? "9999" : "30");
        EXPECT_EQ(f.page->portResult[2].reportPath, folder + "Report_" + c.runName + "_1.txt");
        EXPECT_EQ(f.page->portAction[2].load(), PORT_DONE);
    }
}

TEST(RdtResultStation, WithoutItsSpecFileTheLogIsNotReadAndTheDriveFails) {
    StationFixture f(kStationRdtResult, {}, 0, DefaultPortSteps());
    f.AttachDrive(1);
    f.page->portResult[1].inRdtFirmware = 1;
    std::filesystem::remove(f.StationFile());
    f.Run(1, PORT_RDT_RESULT);

    EXPECT_FALSE(Called(f.library, "Read_RDT_Log"));
    EXPECT_TRUE(f.Tile(1).statusText.starts_with("           Fail!\r\n")) << f.Tile(1).statusText;
    EXPECT_EQ(f.Tile(1).kind, kTileFail);
    EXPECT_EQ(f.page->portResult[1].failFlag, 1);
    EXPECT_NE(FieldText(f.page->portResult[1].errorMessage).find("station.ini"), std::string_view::npos);
    EXPECT_EQ(f.page->portAction[1].load(), PORT_DONE);
}

// A report without its counts judges nothing, on the burn-in firmware (where
// the pass rule would pass its zeros) or off it (where the library judged,
// but the tile would show zeros or an earlier run's counts as this drive's).
TEST(RdtResultStation, AReportWithoutCountsFailsAndSaysWhy) {
    std::vector<unreadable::Report> reports =
        unreadable::Reports(BurnInReport(Figures(24)), "CE_0,Die_0,Plane_0,");
    reports.push_back({"none", ""});
    for (const bool burnInFirmware : {true, false}) {
        for (const unreadable::Report& report : reports) {
            const bool missing = std::string_view(report.name) == "none";
            SCOPED_TRACE(std::string(report.name) + (burnInFirmware ? " on" : " off") +
                         " the burn-in firmware");
            StationFixture f(kStationRdtResult, {}, 0, DefaultPortSteps());
            f.AttachDrive(0);
            SetFieldText(f.page->devices.portIdentifySerial[0], "SN01");
            ST_PORT_RESULT& r = f.page->portResult[0];
            r.inRdtFirmware = burnInFirmware ? 1 : 0;
            r.earlyBadTotal = 31; // what an earlier run left
            r.maxTemperature = "45°C";
            const auto read = [&](const MpLibrary::Call& call) {
                if (!missing)
                    WriteText(LibraryReportPath(call), report.bytes);
                return true;
            };
            f.library.readRdtLog = read;
            f.library.readRdtBadLog = read;
            f.Run(0, PORT_RDT_RESULT);

            const std::string why = missing ? "No RDT report!" : "RDT report unreadable!";
            EXPECT_EQ(f.Tile(0).statusText, "           Fail!\r\n" + why);
            EXPECT_EQ(f.Tile(0).kind, kTileFail);
            EXPECT_EQ(FieldText(r.errorMessage), why);
            EXPECT_EQ(r.failFlag, 1);
            EXPECT_EQ(f.page->portAction[0].load(), PORT_DONE);
        }
    }
}

} // namespace
} // namespace varnet::test

#include "bad_block_report_generator.h"
#include "burn_in_support.h"
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "production_station_support.h"
#include "rdt_report_generator.h"
#include "stations/station_steps.h"
#include "temp_dir.h"
#include "unreadable_reports.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace varnet::test {
namespace {

constexpr int kPort = 2;  // shown as port 3
constexpr int kDrive = 3; // the fixture's drive number for kPort
const std::string kPrefix(11, ' ');

PortSteps MpOnly() {
    PortSteps steps;
    steps.mp = &MpStation;
    return steps;
}

// The erase-count report the initialisation leaves: 3 early, 1 later bad.
std::string InitReport() {
    BadBlockReportContent content;
    BadBlockDie die;
    die.early = {2, 1, 0, 0};
    die.later = {1, 0, 0, 0};
    content.dies.push_back(die);
    return WriteEraseReport(content);
}

void WriteInitReport(const MpLibrary::Call& call) {
    WriteText(std::string(call.folder) + "Report_" + call.name + "_1.txt", InitReport());
}

// A page on the MP station with one drive on kPort that answers capacityMb
// and, by default, identify data of a drive in production firmware, and
// whose initialisation calls leave their erase report.
struct MpFixture {
    explicit MpFixture(const std::vector<std::string>& keys, int uiLanguage = 0, uint32_t capacityMb = 512)
        : f(kStationMp, keys, uiLanguage, MpOnly()) {
        GiveDrivesCapacity(f, {{kDrive, capacityMb}});
        f.AttachDrive(kPort);
        SetFieldText(f.page->devices.portIdentifySerial[kPort], "IDSN7");
        IdentifyAs({"AFTERMP-SN", "SB1.0", 0});
        f.library.pretestInit = [](const MpLibrary::Call& call) {
            WriteInitReport(call);
            return true;
        };
        f.library.pretestInitRdtMark = [](const MpLibrary::Call& call, bool) {
            WriteInitReport(call);
            return true;
        };
        f.library.pretestInitRdtMarkCeMask = [](const MpLibrary::Call& call, bool, uint32_t) {
            WriteInitReport(call);
            return true;
        };
    }
    void IdentifyAs(const IdentifyFields& fields) {
        const auto data = MakeIdentifyData(fields);
        f.library.identify = [data](int, uint8_t* buffer) {
            std::copy(data.begin(), data.end(), buffer);
            return true;
        };
    }
    std::filesystem::path Folder() const { return f.dir.path() / "Log/20261210/04_MP/"; }
    void Run() { f.Run(kPort, PORT_MP); }
    TileState Tile() const { return f.Tile(kPort); }
    ST_PORT_RESULT& Result() const { return f.page->portResult[kPort]; }

    StationFixture f;
};

std::string FailText(std::string_view code, std::string_view message) {
    return kPrefix + "Fail!\r\n" + std::string(code) + "\r\n" + std::string(message) + "\r\n";
}

TEST(MpStation, PlainPathPassShowsCountsAndTheSerialTheDriveReportsAfterwards) {
    struct Case {
        const char* name;
        int language;
        std::vector<std::string> keys;
        uint32_t identifySectors;
        const char* expectedCall;
        const char* expectedText;
    };
    const Case cases[] = {
        {"english, system capacity",
         0,
         {},
         0,
         "DoPretestInit",
         "Pass!\r\nTotalSize: 512MB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\nSN: AFTERMP-SN         "
         " "},
        {"chinese, identify capacity, CE mask",
         1,
         {"Options|EnableCEMask=1", "Options|SetCEMask=15"},
         0x0FFFFFFF,
         "DoPretestInit_RDTMARK_CEMASK",
         "Pass!\r\n总容量: 128.00GB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\n序列号: AFTERMP-SN       "
         "   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MpFixture m(c.keys, c.language);
        m.IdentifyAs({"AFTERMP-SN", "SB1.0", c.identifySectors});
        std::string name, settings;
        uint32_t mask = 0;
        bool marked = false;
        auto record = [&](const MpLibrary::Call& call) {
            name = call.name;
            settings = call.settingsFile;
            WriteInitReport(call);
            return true;
        };
        m.f.library.pretestInit = record;
        m.f.library.pretestInitRdtMarkCeMask = [&](const MpLibrary::Call& call, bool burnIn,
                                                   uint32_t ceMask) {
            marked = burnIn;
            mask = ceMask;
            return record(call);
        };
        m.Run();

        const TileState tile = m.Tile();
        EXPECT_EQ(tile.statusText, kPrefix + c.expectedText);
        EXPECT_EQ(tile.kind, kTilePass);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
        EXPECT_EQ(m.f.library.Calls(), (std::vector<std::string>{c.expectedCall, "GetIdentifyInfoBuf"}));
        // The drive was produced under the serial chosen before the run: its
        // identify serial, as SN_Set is off.
        EXPECT_EQ(name, "IDSN7");
        EXPECT_EQ(settings, m.f.StationFile().string());
        EXPECT_EQ(m.Result().reportPath, (m.Folder() / "Report_IDSN7_1.txt").string());
        EXPECT_EQ(m.Result().failFlag, 0);
        if (c.language == 1) {
            EXPECT_TRUE(marked);
            EXPECT_EQ(mask, 15u);
        }
    }
}

TEST(MpStation, LibraryFailureShowsItsTextsRedOrGreyWhenTheDriveIsGone) {
    for (const bool pulled : {false, true}) {
        SCOPED_TRACE(pulled ? "pulled" : "attached");
        MpFixture m({});
        m.Result().errorCode[0] = 'X'; // an earlier run's text
        m.f.library.pretestInit = [&](const MpLibrary::Call& call) {
            // The library leaves the code buffer alone.
            std::strcpy(call.errorMessage, "Init \xff timeout");
            if (pulled)
                m.f.page->devices.Release(m.f.page->devices.DevicePath(kPort));
            return false;
        };
        m.Run();
        const TileState tile = m.Tile();
        EXPECT_EQ(tile.statusText, FailText("", "Init \xEF\xBF\xBD timeout"));
        EXPECT_EQ(tile.kind, pulled ? kTileIdle : kTileFail);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(m.Result().failFlag, 1);
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
    }
}

TEST(MpStation, SerialNumberChoice) {
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        std::string currentSn;    // nextSnSlot too: as the previous drive left them
        bool takenByAnotherPort;  // Random: the only value is some port's last one
        std::string expectedText; // empty: the run passes under expectedName
        const char* expectedName;
        const char* expectedFileSn;
        int expectedPosts;
    };
    const std::vector<std::string> autoKeys = {"SN Set|SN_Set=1", "SN Set|SN_Type=0", "SN Set|SN_Start=SN19",
                                               "SN Set|SN_End=SN20", "SN Set|SN_Mask=SN##"};
    const std::vector<std::string> randomKeys = {"SN Set|SN_Set=1", "SN Set|SN_Type=1",
                                                 "SN Set|SN_Start=AB12", "SN Set|SN_End=AB12",
                                                 "SN Set|SN_Mask=AB##"};
    const std::vector<std::string> unifiedKeys = {"SN Set|SN_Set=1", "SN Set|SN_Type=3",
                                                  "General Info|SerialNum=FIXED01"};
    const Case cases[] = {
        {"Auto++ hands out the current number and the file names the next", autoKeys, "SN19", false, "",
         "SN19", "SN20", 1},
        {"Auto++ at the end of its range", autoKeys, "SN20", false,
         kPrefix + "SN Error!\r\nStartSN: SN20\r\nEndSN: SN20", nullptr, "SN19", 0},
        {"Random with no free value left", randomKeys, "", true,
         kPrefix + "SN Error!\r\nStartSN: \r\nEndSN: AB12", nullptr, "AB12", 0},
        {"Unified", unifiedKeys, "", false, "", "FIXED01", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MpFixture m(c.keys);
        m.f.page->serial.currentSn = c.currentSn;
        m.f.page->serial.nextSnSlot = c.currentSn;
        if (c.takenByAnotherPort)
            m.f.page->serial.lastSnByPort[5] = "AB12";
        std::string name;
        m.f.library.pretestInit = [&](const MpLibrary::Call& call) {
            name = call.name;
            WriteInitReport(call);
            return true;
        };
        m.Run();
        if (c.expectedText.empty()) {
            EXPECT_EQ(m.Tile().kind, kTilePass);
            EXPECT_EQ(name, c.expectedName);
        } else {
            EXPECT_EQ(m.Tile().statusText, c.expectedText);
            EXPECT_EQ(m.Tile().kind, kTileFail);
            EXPECT_EQ(m.Tile().shownProgress, 100);
            EXPECT_TRUE(m.f.library.Calls().empty());
        }
        if (c.expectedFileSn) {
            const IniDocument file = IniDocument::Load(m.f.StationFile());
            EXPECT_EQ(file.GetString("SN Set", "SN_Start", "", 64), c.expectedFileSn);
        }
        EXPECT_EQ(m.f.view.serialChangedPosts, c.expectedPosts);
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
    }
}

// The library reads the burn-in log into the report it names after the run
// and, into the port's limits file, the drive's info block.
struct BurnInScript {
    bool callSucceeds = true;
    bool writeReport = true;
    std::string laterBad = "0";
};

struct BurnInLog {
    BurnInScript script;
    std::string folder, name, settings;

    bool operator()(const MpLibrary::Call& call) {
        folder = call.folder;
        name = call.name;
        settings = call.settingsFile;
        (void)IniWriteString(call.settingsFile, "InfoBlock", "Byte_0", "5A");
        (void)IniWriteString(call.settingsFile, "InfoBlock", "Byte_7", "");
        (void)IniWriteString(call.settingsFile, "InfoBlock", "Byte_511", "FF");
        if (script.writeReport) {
            RdtReportContent content;
            content.planeLines.push_back({0, 0, 0, script.laterBad, "0", script.laterBad});
            WriteText(folder + "Report_" + name + "_1.txt", WriteRdtReport(content));
        }
        if (!script.callSucceeds)
            PutLibraryError(call, "R_01", "no burn-in log");
        return script.callSucceeds;
    }
};

TEST(MpStation, BurnInTableCheck) {
    struct Case {
        const char* name;
        std::vector<std::string> extraKeys;
        BurnInScript script;
        const char* expectedInit; // nullptr: the drive is not initialised
        std::string expectedText;
    };
    const Case cases[] = {
        {"burn-in passed", {}, {}, "DoPretestInit_RDTMARK", ""},
        {"burn-in passed, CE mask",
         {"Options|EnableCEMask=1", "Options|SetCEMask=1"},
         {},
         "DoPretestInit_RDTMARK_CEMASK",
         ""},
        {"too many later bad blocks",
         {},
         {true, true, "11"},
         nullptr,
         FailText("F_T27", "RDT Testing failed!!!")},
        {"log read fails", {}, {false, true, "0"}, nullptr, FailText("R_01", "no burn-in log")},
        {"no report written", {}, {true, false, "0"}, nullptr, FailText("F_T27", "No RDT report!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> keys = {"Options|Check_RDT_Table=1", "SN Set|SN_Set=1",
                                         "SN Set|SN_Type=3",          "General Info|SerialNum=BURN01",
                                         "InfoBlock_3|Byte_7=OLD",    "InfoBlock_3|Byte_9=OLD",
                                         "InfoBlock_4|Byte_0=OTHER"};
        keys.insert(keys.end(), c.extraKeys.begin(), c.extraKeys.end());
        MpFixture m(keys);
        BurnInLog log{c.script, {}, {}, {}};
        m.f.library.readRdtLog = std::ref(log);
        bool burnInPassed = false;
        std::string initName;
        m.f.library.pretestInitRdtMark = [&](const MpLibrary::Call& call, bool passed) {
            burnInPassed = passed;
            initName = call.name;
            WriteInitReport(call);
            return true;
        };
        m.f.library.pretestInitRdtMarkCeMask = [&](const MpLibrary::Call& call, bool passed, uint32_t) {
            burnInPassed = passed;
            initName = call.name;
            WriteInitReport(call);
            return true;
        };
        m.Run();

        EXPECT_EQ(log.name, "RDT_BURN01_P3");
        EXPECT_EQ(log.settings, (m.f.dir.path() / "Config/INI_Port_2.ini").string());
        EXPECT_EQ(m.Result().reportPath, (m.Folder() / "Report_RDT_BURN01_P3_1.txt").string());
        EXPECT_EQ(m.Result().auxReportPath, (m.Folder() / "Report_BURN01_1.txt").string());
        const IniDocument station = IniDocument::Load(m.f.StationFile());
        EXPECT_EQ(station.GetString("InfoBlock_4", "Byte_0", "", 16), "OTHER");
        if (c.expectedInit) {
            EXPECT_EQ(m.Tile().kind, kTilePass);
            EXPECT_EQ(m.f.library.Calls(),
                      (std::vector<std::string>{"Read_RDT_Log", c.expectedInit, "GetIdentifyInfoBuf"}));
            EXPECT_TRUE(burnInPassed);
            EXPECT_EQ(initName, "BURN01");
            // This drive's info block replaces what an earlier drive on the
            // same drive number left.
            EXPECT_EQ(station.GetString("InfoBlock_3", "Byte_0", "", 16), "5A");
            EXPECT_EQ(station.GetString("InfoBlock_3", "Byte_511", "", 16), "FF");
            EXPECT_FALSE(station.Find("InfoBlock_3", "Byte_7"));
            EXPECT_FALSE(station.Find("InfoBlock_3", "Byte_9"));
        } else {
            EXPECT_EQ(m.Tile().statusText, c.expectedText);
            EXPECT_EQ(m.Tile().kind, kTileFail);
            EXPECT_EQ(m.f.library.Calls(), (std::vector<std::string>{"Read_RDT_Log"}));
            EXPECT_EQ(station.GetString("InfoBlock_3", "Byte_9", "", 16), "OLD");
            EXPECT_EQ(m.Result().failFlag, 1);
        }
    }
}

TEST(MpStation, ProductionFirmwarePath) {
    struct Case {
        const char* name;
        uint32_t capacityMb;
        bool identifyWorks;
        const char* firmware;
        bool checkRdtExist;
        bool badLogWorks;
        std::vector<std::string> expectedCalls;
        std::string expectedText; // empty: pass
    };
    const Case cases[] = {
        {"system capacity below 100 MB",
         99,
         true,
         "SB1.0",
         false,
         true,
         {},
         FailText("I_B67", "Not run on FW code!")},
        {"identify fails",
         100,
         false,
         "SB1.0",
         false,
         true,
         {"GetIdentifyInfoBuf"},
         FailText("I_B67", "Not run on FW code!\nIndentify Fail.")},
        {"burn-in firmware",
         100,
         true,
         "RDS1.0",
         false,
         true,
         {"GetIdentifyInfoBuf"},
         FailText("I_B67", "Not run on FW code!\nCurrent in RDT FW mode.")},
        {"burn-in bad-block log fails",
         100,
         true,
         "SB1.0",
         true,
         false,
         {"GetIdentifyInfoBuf", "Read_RDT_Bad_Log"},
         FailText("B_02", "bad log")},
        {"production firmware",
         100,
         true,
         "SB1.0",
         true,
         true,
         {"GetIdentifyInfoBuf", "Read_RDT_Bad_Log", "DoPretestInit", "GetIdentifyInfoBuf"},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> keys = {"Options|PretestType=2", "Options|EnableCEMask=1", "SN Set|SN_Set=1",
                                         "SN Set|SN_Type=3", "General Info|SerialNum=FW01"};
        if (c.checkRdtExist)
            keys.push_back("Options|CheckRDTExist=1");
        MpFixture m(keys, 0, c.capacityMb);
        m.IdentifyAs({"DRIVE-SN", c.firmware, 0});
        if (!c.identifyWorks)
            m.f.library.identify = [](int, uint8_t*) { return false; };
        std::string badLogName;
        m.f.library.readRdtBadLog = [&](const MpLibrary::Call& call) {
            badLogName = call.name;
            if (!c.badLogWorks)
                PutLibraryError(call, "B_02", "bad log");
            return c.badLogWorks;
        };
        m.Run();

        EXPECT_EQ(m.f.library.Calls(), c.expectedCalls);
        if (c.expectedText.empty()) {
            EXPECT_EQ(m.Tile().kind, kTilePass);
            EXPECT_TRUE(m.Tile().statusText.ends_with("SN: DRIVE-SN            ")) << m.Tile().statusText;
        } else {
            EXPECT_EQ(m.Tile().statusText, c.expectedText);
            EXPECT_EQ(m.Tile().kind, kTileFail);
        }
        if (c.checkRdtExist) {
            EXPECT_EQ(badLogName, "RDT_IDSN7_P3"); // the identify serial, not the chosen one
        }
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
    }
}

// The pass verdict shows the erase report's counts: a drive whose report is
// missing or holds none fails instead of passing with zeros, or with what an
// earlier run (here 31 early bad blocks) left in the record.
TEST(MpStation, AnInitialisationWithoutItsCountsFails) {
    BadBlockReportContent content;
    content.dies.push_back(BadBlockDie{});
    std::vector<unreadable::Report> reports =
        unreadable::Reports(WriteEraseReport(content), "CENo_0/Die_0->");
    reports.push_back({"none", ""});
    for (const unreadable::Report& report : reports) {
        SCOPED_TRACE(report.name);
        const bool missing = std::string_view(report.name) == "none";
        MpFixture m({});
        m.Result().earlyBadTotal = 31;
        m.f.library.pretestInit = [&](const MpLibrary::Call& call) {
            if (!missing)
                WriteText(std::string(call.folder) + "Report_" + call.name + "_1.txt", report.bytes);
            return true;
        };
        m.Run();

        const char* why = missing ? "No erase report!" : "Erase report unreadable!";
        EXPECT_EQ(m.Tile().statusText, FailText("", why));
        EXPECT_EQ(m.Tile().kind, kTileFail);
        EXPECT_EQ(m.Result().failFlag, 1);
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
    }
}

// The library may change the report name's case, so any spelling the call
// wrote is this run's erase report; one an earlier run left (31 early bad
// blocks) is never judged as this drive's, though upper case sorts first.
TEST(MpStation, NeverJudgesAnEraseReportAnEarlierRunLeftUnderAnotherSpelling) {
    struct Case {
        const char* name;
        const char* written; // by this run's call; none when empty
        const char* text;
    };
    const Case cases[] = {
        {"this run's under its own name", "Report_IDSN7_1.txt",
         "Pass!\r\nTotalSize: 512MB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\nSN: AFTERMP-SN         "
         " "},
        {"this run's in another case", "report_idsn7_1.txt",
         "Pass!\r\nTotalSize: 512MB\r\nEarlyBad: 3\r\nLaterBad: 1\r\nTotalBad: 4\r\nSN: AFTERMP-SN         "
         " "},
        {"none of this run's", "", "Fail!\r\n\r\nNo erase report!\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MpFixture m({});
        BadBlockReportContent earlier;
        BadBlockDie die;
        die.early = {31, 0, 0, 0};
        earlier.dies.push_back(die);
        std::filesystem::create_directories(m.Folder());
        WriteText(m.Folder() / "REPORT_IDSN7_1.TXT", WriteEraseReport(earlier));
        m.f.library.pretestInit = [&](const MpLibrary::Call& call) {
            if (*c.written)
                WriteText(std::string(call.folder) + c.written, InitReport());
            return true;
        };
        m.Run();

        EXPECT_EQ(m.Tile().statusText, kPrefix + c.text);
        if (*c.written) {
            EXPECT_EQ(m.Result().reportPath, (m.Folder() / c.written).string());
        }
    }
}

// The burn-in table check judges the log by the pass rule, which would pass
// the zeros of a log without counts: such a drive is not initialised.
TEST(MpStation, ABurnInLogWithoutCountsFailsTheTableCheck) {
    for (const unreadable::Report& report :
         unreadable::Reports(burnin::BurnInReport({2, 24, 0, 0, 0, 40}), "CE_0,Die_0,Plane_0,")) {
        SCOPED_TRACE(report.name);
        MpFixture m({"Options|Check_RDT_Table=1", "SN Set|SN_Set=1", "SN Set|SN_Type=3",
                     "General Info|SerialNum=BURN01"});
        m.f.library.readRdtLog = [&](const MpLibrary::Call& call) {
            WriteText(burnin::LibraryReportPath(call), report.bytes);
            return true;
        };
        m.Run();

        EXPECT_EQ(m.Tile().statusText, FailText("F_T27", "RDT report unreadable!"));
        EXPECT_EQ(m.Tile().kind, kTileFail);
        EXPECT_EQ(m.f.library.Calls(), (std::vector<std::string>{"Read_RDT_Log"}));
    }
}

// Ports started together whose drives get one serial number: each library
// call writes its erase report where no other port's goes, and each port
// reads (and names as its report) its own, not the one left last. Ports
// with serial numbers of their own keep the log tree's paths.
TEST(MpStation, PortsWithOneSerialNumberEachReadTheirOwnReport) {
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        std::array<const char*, 3> identifySerials; // of the three ports
        bool oneName;
    };
    const Case cases[] = {
        {"unified serial number",
         {"SN Set|SN_Set=1", "SN Set|SN_Type=3", "General Info|SerialNum=SAME"},
         {"IDSN1", "IDSN3", "IDSN9"},
         true},
        {"serial numbers that name one file", {}, {"SN/01", "SN\\01", "sn_01"}, true},
        {"serial numbers of their own", {}, {"IDSN1", "IDSN3", "IDSN9"}, false},
    };
    const int ports[] = {0, 2, 8}; // drives 1, 3 and 9
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(kStationMp, c.keys, 0, MpOnly());
        GiveDrivesCapacity(f, {{1, 512}, {3, 512}, {9, 512}});
        for (size_t i = 0; i < 3; ++i) {
            f.AttachDrive(ports[i]);
            SetFieldText(f.page->devices.portIdentifySerial[ports[i]], c.identifySerials[i]);
        }
        const auto identify = MakeIdentifyData({"AFTERMP-SN", "SB1.0", 0});
        f.library.identify = [identify](int, uint8_t* buffer) {
            std::copy(identify.begin(), identify.end(), buffer);
            return true;
        };
        // Drive n's report says 10 n early bad blocks.
        f.library.pretestInit = [](const MpLibrary::Call& call) {
            BadBlockReportContent content;
            BadBlockDie die;
            die.early = {10 * call.drive, 0, 0, 0};
            content.dies.push_back(die);
            WriteText(std::string(call.folder) + "Report_" + call.name + "_1.txt", WriteEraseReport(content));
            return true;
        };
        // What a port of an earlier batch had: Start begins a new batch.
        const std::filesystem::path folder = f.dir.path() / "Log/20261210/04_MP";
        (void)f.page->reportClaims.Claim(23, folder, "Report_SAME_1.txt");
        (void)f.page->reportClaims.Claim(23, folder, "Report_SN_01_1.txt");
        f.page->Start();
        f.page->WaitForPortRuns();

        std::set<std::string> paths;
        int inStationFolder = 0;
        for (const int port : ports) {
            const std::filesystem::path report = CheckOwnReport(f, port, folder);
            paths.insert(report.string());
            inStationFolder += report.parent_path() == folder ? 1 : 0;
            if (!c.oneName) {
                EXPECT_EQ(report, folder / ("Report_IDSN" + std::to_string(port + 1) + "_1.txt"));
            }
        }
        EXPECT_EQ(paths.size(), 3u);
        EXPECT_EQ(inStationFolder, c.oneName ? 1 : 3);
    }
}

} // namespace
} // namespace varnet::test

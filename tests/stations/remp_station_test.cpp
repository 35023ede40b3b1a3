#include "bad_block_report_generator.h"
#include "platform/text.h"
#include "production_station_support.h"
#include "stations/production_history.h"
#include "stations/station_steps.h"
#include "temp_dir.h"
#include "unreadable_reports.h"

#include <cstring>
#include <gtest/gtest.h>

namespace varnet::test {
namespace {

constexpr int kPort = 4;  // shown as port 5
constexpr int kDrive = 5; // the fixture's drive number for kPort
const std::string kPrefix(11, ' ');

PortSteps ReMpOnly() {
    PortSteps steps;
    steps.remp = &ReMpStation;
    return steps;
}

// What the scripted drive does; by default every call succeeds and the scan
// leaves a table with 3 early bad blocks.
struct DriveScript {
    bool scanWorks = true;
    bool writeTable = true;
    int32_t laterBad = 0;
    bool eraseWorks = true;
    bool resetWorks = true;
    bool modifyWorks = true;
    bool readHistoryWorks = true;
    bool writeHistoryWorks = true;
};

struct ReMpFixture {
    explicit ReMpFixture(const std::vector<std::string>& keys, int uiLanguage = 0, uint32_t capacityMb = 2048)
        : f(kStationReMp, keys, uiLanguage, ReMpOnly()) {
        GiveDrivesCapacity(f, {{kDrive, capacityMb}});
        f.AttachDrive(kPort);
        SetFieldText(f.page->devices.portIdentifySerial[kPort], "IDSN5");
        history = MakeHistory({1, 2, 3, 4, 5});
    }

    void Script(const DriveScript& s) {
        f.library.scanBadBlock = [this, s](int, const char* firmware, const char* output) {
            scanFirmware = firmware;
            scanOutput = output;
            if (s.writeTable) {
                BadBlockReportContent content;
                BadBlockDie die;
                die.early = {2, 1, 0, 0};
                die.later = {s.laterBad, 0, 0, 0};
                content.dies.push_back(die);
                WriteText(output, WriteScanBadReport(content));
            }
            return s.scanWorks;
        };
        f.library.securityErase = [s](int, char*) { return s.eraseWorks; };
        f.library.resetSmart = [s](int) { return s.resetWorks; };
        f.library.modifyDeviceInfo = [this, s](int, const char* model, const char* serial) {
            modifiedModel = model;
            modifiedSerial = serial;
            return s.modifyWorks;
        };
        f.library.writeReadPh = [this, s](int, int mode, uint8_t* buffer, int length) {
            EXPECT_EQ(length, 4096);
            if (mode == 0) {
                std::copy(history.begin(), history.end(), buffer);
                return s.readHistoryWorks;
            }
            std::copy(buffer, buffer + length, written.begin());
            wroteHistory = true;
            return s.writeHistoryWorks;
        };
    }

    void Run() { f.Run(kPort, PORT_REMP); }
    TileState Tile() const { return f.Tile(kPort); }
    ST_PORT_RESULT& Result() const { return f.page->portResult[kPort]; }

    StationFixture f;
    ProductionHistory history{};
    ProductionHistory written{};
    bool wroteHistory = false;
    std::string scanFirmware, scanOutput, modifiedModel, modifiedSerial;
};

TEST(ReMpStation, PassScansErasesRenamesAndAppendsToTheHistory) {
    struct Case {
        const char* name;
        int language;
        std::vector<std::string> keys;
        uint32_t capacityMb;
        std::vector<std::string> expectedCalls;
        const char* expectedSerial;
        const char* expectedText;
    };
    const std::vector<std::string> assigned = {
        "SN Set|SN_Set=1", "SN Set|SN_Type=3", "General Info|SerialNum=RE-SN-0001",
        "General Info|ModelName=VN 512", "Options|AfterMPDoResetSMART=1"};
    const Case cases[] = {
        {"english, own serial kept",
         0,
         {},
         1023,
         {"ScandBadBlock", "SecurityErase", "WriteReadPH", "WriteReadPH"},
         "IDSN5",
         "Pass!\r\nTotalSize: 1023MB\r\nEarlyBad: 3\r\nLaterBad: 0\r\nTotalBad: 3\r\nSN: IDSN5"},
        {"chinese, serial assigned, SMART reset",
         1,
         assigned,
         1024,
         {"ScandBadBlock", "SecurityErase", "ResetSmart", "ModifyDeviceInfo", "WriteReadPH", "WriteReadPH"},
         "RE-SN-0001",
         "Pass!\r\n总容量: 1.00GB\r\nEarlyBad: 3\r\nLaterBad: 0\r\nTotalBad: 3\r\n序列号: RE-SN-0001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> keys = c.keys;
        keys.push_back("Device Info|ISP_MPBINCode=MP_FW.bin");
        ReMpFixture m(keys, c.language, c.capacityMb);
        m.Script({});
        const HistoryDate before = TodayForHistory();
        m.Run();
        const HistoryDate after = TodayForHistory();

        const TileState tile = m.Tile();
        EXPECT_EQ(tile.statusText, kPrefix + c.expectedText);
        EXPECT_EQ(tile.kind, kTilePass);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.shownProgress, 100);
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
        EXPECT_EQ(m.f.library.Calls(), c.expectedCalls);
        EXPECT_EQ(m.scanFirmware, "MP_FW.bin");
        const std::string table = (m.f.dir.path() / "Log/20261210/05_ReMP" /
                                   ("BadBlockTable_" + std::string(c.expectedSerial) + "_P5.txt"))
                                      .string();
        EXPECT_EQ(m.scanOutput, table);
        EXPECT_EQ(m.Result().reportPath, table);
        EXPECT_EQ(m.Result().stationName, "ReMP");
        EXPECT_EQ(m.Result().failFlag, 0);
        if (c.language == 1) {
            EXPECT_EQ(m.modifiedModel, "VN 512");
            EXPECT_EQ(m.modifiedSerial, "RE-SN-0001");
        }

        // Entry 5 follows entries 0-4: a copy of entry 4 with this run's
        // tag, date, sequence number and serial number.
        ASSERT_TRUE(m.wroteHistory);
        ProductionHistory expected = m.history;
        std::copy_n(m.history.begin() + 4 * 128, 128, expected.begin() + 5 * 128);
        uint8_t* entry = expected.data() + 5 * 128;
        std::memcpy(entry, "ReMP            ", 16);
        // The run's date, even if the day changed during the run.
        auto dateBytes = [](const HistoryDate& d) {
            return std::string(
                {static_cast<char>(d.year % 100), static_cast<char>(d.month), static_cast<char>(d.day)});
        };
        const std::string date(HistoryBytes(m.written, 5, 20, 3));
        EXPECT_TRUE(date == dateBytes(before) || date == dateBytes(after));
        std::memcpy(entry + 20, date.data(), 3);
        entry[27] = 6;
        const std::string serial = (std::string(c.expectedSerial) + std::string(20, ' ')).substr(0, 20);
        std::memcpy(entry + 28, serial.data(), 20);
        EXPECT_TRUE(m.written == expected);
    }
}

TEST(ReMpStation, FailuresStopAtTheFirstErrorAndShowIt) {
    struct Case {
        const char* name;
        DriveScript script;
        bool inRdtFirmware;
        uint32_t capacityMb;
        std::vector<std::string> expectedCalls;
        std::string expectedError;
        std::string expectedText; // after the prefix
    };
    const std::vector<std::string> scan = {"ScandBadBlock"};
    const std::vector<std::string> erase = {"ScandBadBlock", "SecurityErase"};
    const std::vector<std::string> renamed = {"ScandBadBlock", "SecurityErase", "ResetSmart",
                                              "ModifyDeviceInfo"};
    const std::vector<std::string> readPh = {"ScandBadBlock", "SecurityErase", "ResetSmart",
                                             "ModifyDeviceInfo", "WriteReadPH"};
    const std::vector<std::string> writePh = {"ScandBadBlock",    "SecurityErase", "ResetSmart",
                                              "ModifyDeviceInfo", "WriteReadPH",   "WriteReadPH"};
    const std::string counts = "Fail!\r\nEarlyBad: 3\r\nLaterBad: 2\r\nTotalBad: 5\r\nSN: RE-SN-0002";
    DriveScript laterBad;
    laterBad.laterBad = 2;
    DriveScript scanFailsWithLaterBad = laterBad;
    scanFailsWithLaterBad.scanWorks = false;
    DriveScript scanFails;
    scanFails.scanWorks = false;
    scanFails.writeTable = false;
    DriveScript noTable;
    noTable.writeTable = false;
    DriveScript eraseFails;
    eraseFails.eraseWorks = false;
    DriveScript resetFails;
    resetFails.resetWorks = false;
    DriveScript modifyFails;
    modifyFails.modifyWorks = false;
    DriveScript readFails;
    readFails.readHistoryWorks = false;
    DriveScript writeFails;
    writeFails.writeHistoryWorks = false;
    const Case cases[] = {
        {"burn-in firmware", {}, true, 2048, {}, "Not run on FW code!", "Fail!\r\nNot run on FW code!"},
        {"capacity below 100 MB", {}, false, 99, {}, "Not run on FW code!", "Fail!\r\nNot run on FW code!"},
        {"scan fails", scanFails, false, 2048, scan, "Scan Bad Block error!",
         "Fail!\r\nScan Bad Block error!"},
        {"scan leaves no table", noTable, false, 2048, scan, "Scan Bad Block error!",
         "Fail!\r\nScan Bad Block error!"},
        {"later bad blocks", laterBad, false, 2048, scan, "Had Later bad error!", counts},
        {"failed scan whose table shows later bad blocks", scanFailsWithLaterBad, false, 2048, scan,
         "Had Later bad error!", counts},
        {"erase fails", eraseFails, false, 2048, erase, "Erase error!", "Fail!\r\nErase error!"},
        {"SMART reset fails",
         resetFails,
         false,
         2048,
         {"ScandBadBlock", "SecurityErase", "ResetSmart"},
         "Fail to reset smart!",
         "Fail!\r\nFail to reset smart!"},
        {"serial number write fails", modifyFails, false, 2048, renamed, "Modify SN error!",
         "Fail!\r\nModify SN error!"},
        {"history read fails", readFails, false, 2048, readPh, "ReadPH Fail!", "Fail!\r\nReadPH Fail!"},
        {"history write fails", writeFails, false, 2048, writePh, "WritePH Fail!", "Fail!\r\nWritePH Fail!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReMpFixture m({"SN Set|SN_Set=1", "SN Set|SN_Type=3", "General Info|SerialNum=RE-SN-0002",
                       "Options|AfterMPDoResetSMART=1"},
                      0, c.capacityMb);
        m.Script(c.script);
        m.Result().inRdtFirmware = c.inRdtFirmware ? 1 : 0;
        m.Run();

        EXPECT_EQ(m.f.library.Calls(), c.expectedCalls);
        EXPECT_EQ(m.Tile().statusText, kPrefix + c.expectedText);
        EXPECT_EQ(m.Tile().kind, kTileFail);
        EXPECT_FALSE(m.Tile().centred);
        EXPECT_EQ(m.Tile().shownProgress, 100);
        EXPECT_EQ(FieldText(m.Result().errorMessage), c.expectedError);
        EXPECT_EQ(m.Result().failFlag, 1);
        EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
    }
}

TEST(ReMpStation, SerialNumbersExhaustedEndsThePortUntouched) {
    ReMpFixture m({"SN Set|SN_Set=1", "SN Set|SN_Type=0", "SN Set|SN_Start=SN20", "SN Set|SN_End=SN20",
                   "SN Set|SN_Mask=SN##"});
    m.Script({});
    m.f.page->serial.currentSn = "SN20";
    m.f.page->serial.nextSnSlot = "SN20";
    m.Run();
    EXPECT_TRUE(m.f.library.Calls().empty());
    EXPECT_EQ(m.Tile().statusText, kPrefix + "SN Error!\r\nStartSN: SN20\r\nEndSN: SN20");
    EXPECT_EQ(m.Tile().kind, kTileFail);
    EXPECT_EQ(m.Tile().shownProgress, 100);
    EXPECT_EQ(m.f.view.serialChangedPosts, 0);
    EXPECT_EQ(m.f.page->portAction[kPort].load(), PORT_DONE);
}

TEST(ProductionHistory, ChoosesTheSlotAfterTheLatestEntry) {
    struct Case {
        const char* name;
        std::vector<uint8_t> sequences; // entries 0.. in order, the rest empty
        int slot;
        int sequence;
        int previous; // -1: none
    };
    std::vector<uint8_t> full40(32), full64(32), full254(32), zeros(32, 0);
    for (int i = 0; i < 32; ++i) {
        // Written in order: sequence s sits in slot (s - 1) % 32.
        full40[static_cast<size_t>(i)] = static_cast<uint8_t>(i < 8 ? 33 + i : 1 + i);
        full64[static_cast<size_t>(i)] = static_cast<uint8_t>(33 + i);
        full254[static_cast<size_t>(i)] = static_cast<uint8_t>(i <= 29 ? 225 + i : 193 + i);
    }
    const Case cases[] = {
        {"empty history", {}, 0, 1, -1},
        {"entries 0-4 used", {1, 2, 3, 4, 5}, 5, 6, 4},
        {"full, latest 40", full40, 8, 41, 7},
        {"full, latest 64: wraps to slot 0 after entry 31", full64, 0, 65, 31},
        // 255 would read as an empty entry.
        {"full, latest 254: numbering starts again", full254, 30, 1, 29},
        {"full of zero sequence bytes", zeros, 0, 1, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HistorySlot choice = ChooseHistorySlot(MakeHistory(c.sequences));
        EXPECT_EQ(choice.slot, c.slot);
        EXPECT_EQ(choice.sequence, c.sequence);
        EXPECT_EQ(choice.previous.value_or(-1), c.previous);
    }
}

TEST(ProductionHistory, EntryCarriesThePreviousEntryAndThisRunsFields) {
    struct Case {
        const char* name;
        std::vector<uint8_t> sequences;
        std::string serial;
        std::string storedSerial;
    };
    std::vector<uint8_t> full64(32);
    for (int i = 0; i < 32; ++i)
        full64[static_cast<size_t>(i)] = static_cast<uint8_t>(33 + i);
    const Case cases[] = {
        {"short serial padded", {1, 2}, "SN1", "SN1                 "},
        {"long serial cut", {1, 2}, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRST"},
        {"wrap to slot 0 copies entry 31", full64, "SN64", "SN64                "},
        {"first entry of an empty history", {}, "", "                    "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProductionHistory before = MakeHistory(c.sequences);
        ProductionHistory history = before;
        const HistorySlot choice = AppendReMpEntry(history, {2027, 3, 9}, c.serial);

        EXPECT_EQ(HistoryBytes(history, choice.slot, 0, 16), "ReMP            ");
        EXPECT_EQ(HistoryBytes(history, choice.slot, 20, 3), std::string({27, 3, 9}));
        EXPECT_EQ(history[static_cast<size_t>(choice.slot) * 128 + 27], choice.sequence);
        EXPECT_EQ(HistoryBytes(history, choice.slot, 28, 20), c.storedSerial);
        // Bytes 16-19, 23-26 and 48-127 come from the previous entry (or stay
        // as they were in an empty history).
        const int source = choice.previous.value_or(choice.slot);
        for (const auto& [first, length] : {std::pair<size_t, size_t>{16, 4}, {23, 4}, {48, 80}})
            EXPECT_EQ(HistoryBytes(history, choice.slot, first, length),
                      HistoryBytes(before, source, first, length));
        // No other entry changes.
        for (int slot = 0; slot < 32; ++slot) {
            if (slot != choice.slot) {
                EXPECT_EQ(HistoryBytes(history, slot, 0, 128), HistoryBytes(before, slot, 0, 128));
            }
        }
    }
}

// The library may change the table name's case, so any spelling the scan
// wrote is this run's table; one an earlier run left (40 early bad blocks,
// no later ones) is never judged as this drive's, though upper case sorts
// first: a scan that wrote nothing must not pass the drive on old figures.
TEST(ReMpStation, NeverJudgesATableAnEarlierRunLeftUnderAnotherSpelling) {
    struct Case {
        const char* name;
        const char* written; // by this run's scan; none when empty
        const char* text;    // after the prefix
    };
    const Case cases[] = {
        {"this run's under its own name", "BadBlockTable_IDSN5_P5.txt",
         "Pass!\r\nTotalSize: 2.00GB\r\nEarlyBad: 3\r\nLaterBad: 0\r\nTotalBad: 3\r\nSN: IDSN5"},
        {"this run's in another case", "badblocktable_idsn5_p5.txt",
         "Pass!\r\nTotalSize: 2.00GB\r\nEarlyBad: 3\r\nLaterBad: 0\r\nTotalBad: 3\r\nSN: IDSN5"},
        {"none of this run's", "", "Fail!\r\nScan Bad Block error!"},
    };
    const auto table = [](int32_t early) {
        BadBlockReportContent content;
        BadBlockDie die;
        die.early = {early, 0, 0, 0};
        content.dies.push_back(die);
        return WriteScanBadReport(content);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReMpFixture m({});
        m.Script({});
        const std::filesystem::path folder = m.f.dir.path() / "Log/20261210/05_ReMP";
        std::filesystem::create_directories(folder);
        WriteText(folder / "BADBLOCKTABLE_IDSN5_P5.TXT", table(40));
        m.f.library.scanBadBlock = [&](int, const char*, const char*) {
            if (*c.written)
                WriteText(folder / c.written, table(3));
            return true;
        };
        m.Run();

        EXPECT_EQ(m.Tile().statusText, kPrefix + c.text);
        if (*c.written) {
            EXPECT_EQ(m.Result().reportPath, (folder / c.written).string());
        }
    }
}

// Refusing grown bad blocks is what this station is for: a table without a
// CE and die block shows no later bad blocks, and the drive must not be
// erased and passed on that.
TEST(ReMpStation, ABadBlockTableWithoutBlocksFailsBeforeTheErase) {
    BadBlockReportContent content;
    BadBlockDie die;
    die.later = {4, 0, 0, 0};
    content.dies.push_back(die);
    for (const unreadable::Report& report :
         unreadable::Reports(WriteScanBadReport(content), "CENo_0(Phy:0)")) {
        SCOPED_TRACE(report.name);
        ReMpFixture m({});
        m.Script({});
        m.f.library.scanBadBlock = [&](int, const char*, const char* output) {
            WriteText(output, report.bytes);
            return true;
        };
        m.Run();

        EXPECT_EQ(m.f.library.Calls(), (std::vector<std::string>{"ScandBadBlock"}));
        EXPECT_EQ(m.Tile().statusText, kPrefix + "Fail!\r\nBad Block Table unreadable!");
        EXPECT_EQ(m.Tile().kind, kTileFail);
        EXPECT_EQ(FieldText(m.Result().errorMessage), "Bad Block Table unreadable!");
        EXPECT_EQ(m.Result().failFlag, 1);
    }
}

} // namespace
} // namespace varnet::test

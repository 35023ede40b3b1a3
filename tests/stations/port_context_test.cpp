// A station step sees its port only through its context: it runs on one
// built by hand, without a page, and tells the run's record which serial
// number it gave or named its files by.
#include "platform/text.h"
#include "production_station_support.h"
#include "station_fixture.h"
#include "stations/port_steps.h"
#include "stations/station_steps.h"

#include <gtest/gtest.h>

#include <mutex>

namespace varnet::test {
namespace {

class RecordingTile final : public PortTile {
public:
    void SetStatus(std::string_view text, uint8_t kind, int fontSize, bool centred) override {
        std::lock_guard lock(mutex);
        status = std::string(text);
        statusKind = kind;
        statusFont = fontSize;
        statusCentred = centred;
    }
    void SetProgress(int32_t percent) override { SetProgressValue(record.progress, percent); }
    void ShowProgress() override {
        std::lock_guard lock(mutex);
        shown = GetProgressValue(record.progress);
    }
    void SetTileTip(std::string_view) override {}
    void SetButtonTip(std::string_view) override {}
    void SetButtonCaption(std::string_view) override {}
    ProgressRecord& Progress() override { return record; }

    std::mutex mutex;
    ProgressRecord record{};
    std::string status;
    uint8_t statusKind = kTileIdle;
    int statusFont = 0;
    bool statusCentred = false;
    int32_t shown = 0;
};

// Everything a context refers to, owned by the test.
struct BareContext {
    TempDir dir;
    std::atomic<int32_t> drive{6};
    std::array<char, kDevicePathSize> identifySerial{};
    std::array<char, kDevicePathSize> identifyModel{};
    std::atomic<char> driveLetter{0};
    ScriptedLibrary library;
    RecordingTile tile;
    std::atomic<uint8_t> action{PORT_ERASE_ALL};
    std::unique_ptr<ST_PORT_RESULT> result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList badBlocks;
    SerialNumberState serial;
    ReportClaims claims;

    PortContext Context() {
        StationEnv env;
        env.appDir = dir.path() / "";
        env.logDateFolder = "20261210";
        env.pauses.verdict = std::chrono::milliseconds(0);
        env.tileFontSize = 78;
        env.resultPrefix = "  ";
        return PortContext{
            .port = 5,
            .drive = drive,
            .identifySerial = identifySerial,
            .identifyModel = identifyModel,
            .driveLetter = driveLetter,
            .config = std::make_shared<const ST_STATION_CONFIG>(),
            .configPath = dir.path() / "station.ini",
            .env = env,
            .library = library,
            .tile = tile,
            .action = action,
            .result = *result,
            .badBlocks = badBlocks,
            .serial = serial,
            .reportClaims = claims,
            .readCapacityMB = {},
            .serialNumberChanged = {},
            .serialTaken = {},
        };
    }
};

TEST(PortContext, AStepRunsOnAHandBuiltContextAndReadsTheDriveAsItGoes) {
    for (const bool pulled : {false, true}) {
        SCOPED_TRACE(pulled ? "drive pulled during the erase" : "drive stays");
        BareContext bare;
        int calledDrive = 0;
        std::string folder, settings;
        bare.library.eraseAll = [&](const MpLibrary::Call& call) {
            calledDrive = call.drive;
            folder = call.folder;
            settings = call.settingsFile;
            if (!pulled)
                return true;
            PutLibraryError(call, "0x21", "gone");
            bare.drive = 0;
            return false;
        };
        PortContext context = bare.Context();
        const PortOutcome outcome = EraseAllStation(context);

        EXPECT_EQ(calledDrive, 6);
        EXPECT_EQ(folder, (bare.dir.path() / "Log/20261210/01_EraseAll/").string());
        EXPECT_EQ(settings, (bare.dir.path() / "station.ini").string());
        EXPECT_TRUE(bare.result->reportPath.starts_with(folder)) << bare.result->reportPath;
        EXPECT_EQ(bare.tile.status, pulled ? "  Fail!\r\n0x21\r\ngone\r\n" : "Pass!");
        EXPECT_EQ(bare.tile.statusKind, pulled ? kTileIdle : kTilePass);
        EXPECT_EQ(bare.tile.statusFont, 78);
        EXPECT_EQ(bare.tile.shown, 100);
        EXPECT_EQ(bare.action.load(), PORT_DONE);
        EXPECT_EQ(outcome.serial, "");
        EXPECT_FALSE(outcome.identified);
    }
}

// The serial number a run reports is the one it gave the drive (or the one
// the drive reports afterwards), or the drive's own one its log is named by;
// stations that use none report none.
TEST(PortOutcome, EveryStationThatGivesOrNamesASerialNumberReportsIt) {
    struct Case {
        const char* name;
        int station;
        PortStep step;
        const char* serial;
        bool identified;
    };
    const Case cases[] = {
        {"identify counts the drive", kStationEraseAll, &IdentifyPort, "", true},
        {"erase", kStationEraseAll, &EraseAllStation, "", false},
        {"burn-in start, failed: the number it gave", kStationRdt, &RunRdtStart, "IDSN-P3", false},
        {"burn-in result: the log's name", kStationRdtResult,
         [](PortContext& c) { return RunRdtResult(c, false); }, "IDSN-P3", false},
        {"MP, failed after the number was given", kStationMp, &MpStation, "IDSN-P3", false},
        {"ReMP, failed after the number was given", kStationReMp, &ReMpStation, "IDSN-P3", false},
        {"in-circuit test: the log's name", kStationIct, &RunIct, "IDSN-P3", false},
        {"firmware update", kStationUpdateFw, &UpdateFwStation, "", false},
        {"bad-block scan", kStationScanBad, &ScanBadStation, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationFixture f(c.station);
        GiveDrivesCapacity(f, {{3, 4096}});
        f.AttachDrive(2);
        SetFieldText(f.page->devices.portIdentifySerial[2], "IDSN-P3");
        // Every call fails, so each station ends early but after its number.
        f.library.identify = [](int, uint8_t*) { return false; };
        f.library.pretestInit = [](const MpLibrary::Call&) { return false; };
        f.library.scanBadBlock = [](int, const char*, const char*) { return false; };
        if (c.step == &IdentifyPort)
            f.library.identify = [](int, uint8_t*) { return true; };
        PortContext context = f.page->PortContextFor(2);
        const PortOutcome outcome = c.step(context);
        EXPECT_EQ(outcome.serial, c.serial);
        EXPECT_EQ(outcome.identified, c.identified);
    }
}

} // namespace
} // namespace varnet::test

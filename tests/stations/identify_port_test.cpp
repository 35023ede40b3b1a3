// Identify and the flash-ID readout: the identity shown on the tile, the
// capacity rule, the flash lookup that decides whether a drive may run, and
// that nothing of an earlier readout survives a new one.
#include "drive_page_support.h"
#include "platform/text.h"
#include "station_fixture.h"
#include "stations/station_steps.h"

#include <gtest/gtest.h>

namespace varnet::test {
namespace {

constexpr FlashId kKnownId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x0C};
constexpr FlashId kOtherId{0x45, 0x3C, 0x98, 0xB3, 0x76, 0xF2, 0x00, 0x00};

PortSteps IdentifyOnly() {
    PortSteps steps;
    steps.identify = &IdentifyPort;
    return steps;
}

const FlashDatabase& KnownFlashDatabase() {
    static const FlashDatabase database = DatabaseOf({FlashRecord("BICS4", kKnownId)});
    return database;
}

PageExtras KnowingFlash() {
    PageExtras extras;
    extras.flashDatabase = &KnownFlashDatabase();
    return extras;
}

// A page with the extras (by default a database that knows kKnownId) and a
// drive on `port` that answers `answer` and whose library lists `ids`.
struct IdentifyCase {
    explicit IdentifyCase(int port, const DriveAnswer& answer, std::vector<FlashId> ids = {kKnownId},
                          int uiLanguage = 0, const PageExtras& extras = KnowingFlash())
        : f(kStationEraseAll, {}, uiLanguage, IdentifyOnly()) {
        RebuildPage(f, extras);
        f.AttachDrive(port);
        f.library.identify = [data = IdentifyBytes(answer)](int, uint8_t* buffer) {
            std::copy(data.begin(), data.end(), buffer);
            return true;
        };
        f.library.getAllFlashId = [text = FlashIdListText(ids)](int, const char* path) {
            WriteText(path, text);
            return true;
        };
    }
    ST_PORT_RESULT& Result(int port) { return f.page->portResult[static_cast<size_t>(port)]; }

    StationFixture f;
};

TEST(IdentifyPort, ShowsTheIdentityAndReadiesAKnownDriveInEitherLanguage) {
    struct Row {
        int uiLanguage;
        const char* status;
        const char* tileTip;
        const char* buttonTip;
    };
    const Row rows[] = {
        {0, "Name: Q SSD\r\nCap: 16.00GB\r\nSN: AB12", "Double Click\r\nfor Flash ID", "Click to Start"},
        {1, "名称: Q SSD\r\n容量: 16.00GB\r\n序列号: AB12", "双击查看\r\nFlash ID", "单击开始"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.uiLanguage);
        IdentifyCase c(4, {"  AB12", "v1s3", "Q SSD", 16384u * 2048}, {kKnownId}, row.uiLanguage);
        c.f.page->devices.portDriveLetter[4] = 'F';
        c.f.page->tiles.SetProgress(4, 77);
        c.f.page->tiles.Progress(4).readProgress = 33;
        int drive = 0;
        std::string listPath;
        c.f.library.getAllFlashId = [&](int d, const char* path) {
            drive = d;
            listPath = path;
            WriteText(path, FlashIdListText({kKnownId, kOtherId}));
            return true;
        };

        c.f.Run(4, PORT_IDENTIFY);
        c.f.Run(4, PORT_IDENTIFY);

        const TileState tile = c.f.Tile(4);
        EXPECT_EQ(tile.statusText, row.status);
        EXPECT_EQ(tile.kind, kTileInfo);
        EXPECT_FALSE(tile.centred);
        EXPECT_EQ(tile.fontSize, 78);
        EXPECT_EQ(tile.tileTip, row.tileTip);
        EXPECT_EQ(tile.buttonTip, row.buttonTip);
        EXPECT_EQ(tile.buttonCaption, "5 (F)");
        EXPECT_EQ(tile.shownProgress, 0);
        EXPECT_EQ(tile.progressTip, "0%");
        EXPECT_EQ(c.f.page->tiles.Progress(4).readProgress, 0);
        EXPECT_EQ(drive, 5);
        EXPECT_EQ(listPath, (c.f.dir.path() / "Log/AllFlashID_5.txt").string());

        const ST_PORT_RESULT& r = c.Result(4);
        EXPECT_EQ(c.f.page->portAction[4].load(), PORT_READY);
        EXPECT_EQ(r.deviceValid, 1);
        EXPECT_EQ(FieldText(r.firmwareRevision), "V1S3");
        EXPECT_EQ(r.inRdtFirmware, 1);
        EXPECT_EQ(FieldText(c.f.page->devices.portIdentifySerial[4]), "AB12");
        EXPECT_EQ(r.flashId[0], kKnownId);
        EXPECT_EQ(r.flashId[1], kOtherId);
        EXPECT_EQ(r.flashCount, 2);
        // Every successful identify counts, the same drive's second included.
        EXPECT_EQ(c.f.page->identifiedCount.load(), 2);
        // The runner closed the run: the readout gave portRunning back.
        EXPECT_EQ(c.f.page->runningPorts.load(), 0);
    }
}

TEST(IdentifyPort, CapacityComesFromTheSectorCountOrElseFromTheSystem) {
    struct Row {
        const char* what;
        uint64_t sectors;
        uint32_t systemMb;
        const char* capacity;
    };
    const Row rows[] = {
        {"no count: the system's capacity", 0, 512, "512MB"},
        {"under 1 MiB counts as no count", 2047, 300, "300MB"},
        {"neither", 0, 0, "0MB"},
        {"the count wins over the system", 1023u * 2048, 4000, "1023MB"},
        {"1024 MB is shown in GB", 1024u * 2048, 0, "1.00GB"},
        {"2 TB: beyond a signed 32-bit count", 3907029168u, 0, "1863.02GB"},
        {"4 TB: beyond 32 bits", 7814037168u, 0, "3726.02GB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PageExtras extras = KnowingFlash();
        extras.capacityMbByDrive = {{2, row.systemMb}};
        IdentifyCase c(1, {"S", "F", "M", row.sectors}, {kKnownId}, 0, extras);
        c.f.Run(1, PORT_IDENTIFY);
        EXPECT_EQ(c.f.Tile(1).statusText, std::string("Name: M\r\nCap: ") + row.capacity + "\r\nSN: S");
    }
}

TEST(IdentifyPort, ModelNameAndBurnInFirmware) {
    struct Row {
        uint8_t customerCode;
        const char* model;
        const char* firmware;
        const char* shownModel;
        uint8_t inRdtFirmware;
    };
    const Row rows[] = {
        {8, "QC7720", "A1S2", "KV7041-S01", 1},
        {0, "QC7720", "A1B2", "QC7720", 0},
        {8, "QC7720X", "abs", "QC7720X", 1},    // upper-cased before the test
        {8, "QC7720", " s1 ", "KV7041-S01", 0}, // "S1" after trimming: too short
        {0, "M", "", "M", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.model + std::string(" ") + row.firmware);
        PageExtras extras = KnowingFlash();
        extras.customerCode = row.customerCode;
        IdentifyCase c(0, {"S1", row.firmware, row.model, 0}, {kKnownId}, 0, extras);
        c.f.Run(0, PORT_IDENTIFY);
        EXPECT_EQ(c.f.Tile(0).statusText, std::string("Name: ") + row.shownModel + "\r\nCap: 0MB\r\nSN: S1");
        EXPECT_EQ(c.Result(0).inRdtFirmware, row.inRdtFirmware);
    }
}

TEST(IdentifyPort, TextFieldsEndAtAZeroByteAndAreShownAsValidText) {
    IdentifyCase c(0, {std::string("AB\0CD", 5), "V1", "Disk \xff", 0});
    c.f.Run(0, PORT_IDENTIFY);
    EXPECT_EQ(c.f.Tile(0).statusText, "Name: Disk \xEF\xBF\xBD\r\nCap: 0MB\r\nSN: AB");
    EXPECT_EQ(FieldText(c.f.page->devices.portIdentifySerial[0]), "AB");
}

TEST(IdentifyPort, AFailedReadEndsTheRunRedAndInvalid) {
    struct Row {
        bool identifyAnswers;
        bool listAnswers;
        const char* status;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {false, true, "Identify Fail!", {"GetIdentifyInfoBuf"}},
        {true, false, "Get ID Fail!", {"GetIdentifyInfoBuf", "GetAllFlashID"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        IdentifyCase c(3, {"S", "ABS1", "M", 0});
        ST_PORT_RESULT& r = c.Result(3);
        r.inRdtFirmware = 1;
        SetFieldText(r.firmwareRevision, "OLD");
        const std::filesystem::path stale = c.f.dir.path() / "Log/AllFlashID_4.txt";
        WriteText(stale, FlashIdListText({kKnownId}));
        if (!row.identifyAnswers)
            c.f.library.identify = [](int, uint8_t*) { return false; };
        if (!row.listAnswers)
            c.f.library.getAllFlashId = [](int, const char*) { return false; };
        c.f.page->tiles.SetProgress(3, 60);

        c.f.Run(3, PORT_IDENTIFY);

        const TileState tile = c.f.Tile(3);
        EXPECT_EQ(tile.statusText, row.status);
        EXPECT_EQ(tile.kind, kTileFail);
        EXPECT_TRUE(tile.centred);
        EXPECT_EQ(tile.tileTip, "");
        EXPECT_EQ(tile.progressTip, "0%");
        EXPECT_EQ(c.f.library.Calls(), row.calls);
        EXPECT_EQ(c.f.page->portAction[3].load(), PORT_DONE);
        EXPECT_EQ(r.deviceValid, 0);
        EXPECT_EQ(r.inRdtFirmware, 0);
        EXPECT_EQ(FieldText(r.firmwareRevision), "");
        EXPECT_EQ(c.f.page->identifiedCount.load(), 0);
        // The list is replaced at every readout: a failed one leaves none.
        EXPECT_EQ(std::filesystem::exists(stale), !row.identifyAnswers);
    }
}

TEST(IdentifyPort, AnUnknownOrUnreadFlashIsShownButNotValid) {
    const FlashDatabase withBlankRecord = DatabaseOf({FlashRecord("BLANK", FlashId{})});
    struct Row {
        const char* what;
        const FlashDatabase* database;
        bool listWritten;
        std::vector<FlashId> ids;
    };
    const Row rows[] = {
        {"an ID the database lacks", &KnownFlashDatabase(), true, {kOtherId}},
        {"no database", nullptr, true, {kKnownId}},
        {"the library wrote no list", &withBlankRecord, false, {}},
        {"a list with a blank first CE", &withBlankRecord, true, {FlashId{}, kKnownId}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PageExtras extras;
        extras.flashDatabase = row.database;
        IdentifyCase c(0, {"S9", "F", "M", 0}, row.ids, 0, extras);
        if (!row.listWritten)
            c.f.library.getAllFlashId = [](int, const char*) { return true; };
        // What an earlier drive on the port left behind must not count.
        c.Result(0).flashId[0] = kKnownId;
        WriteText(c.f.dir.path() / "Log/AllFlashID_1.txt", FlashIdListText({kKnownId}));

        c.f.Run(0, PORT_IDENTIFY);

        const ST_PORT_RESULT& r = c.Result(0);
        EXPECT_EQ(r.deviceValid, 0);
        EXPECT_EQ(c.f.page->portAction[0].load(), PORT_READY);
        EXPECT_EQ(c.f.Tile(0).statusText, "Name: M\r\nCap: 0MB\r\nSN: S9");
        EXPECT_EQ(c.f.Tile(0).kind, kTileInfo);
        EXPECT_EQ(c.f.page->identifiedCount.load(), 1);
        EXPECT_EQ(r.flashId[0], row.ids.empty() ? FlashId{} : row.ids[0]);
    }
}

TEST(ReadAllFlashId, FillsTheCallersRecordOnlyFromThisReadout) {
    for (const bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        IdentifyCase c(6, {}, {kKnownId, kOtherId});
        if (!answers)
            c.f.library.getAllFlashId = [](int, const char*) { return false; };
        WriteText(c.f.dir.path() / "Log/AllFlashID_7.txt", FlashIdListText({kOtherId}));
        c.f.page->tiles.SetTileStatus(6, "kept", kTileInfo, 0, false);
        c.f.page->tiles.SetProgress(6, 90);
        c.f.page->portAction[6].store(PORT_FLASH_ID_QUERY);
        const auto record = std::make_unique<ST_PORT_RESULT>();
        record->flashId[5] = kOtherId;
        record->flashCount = 9;

        PortContext context = c.f.page->PortContextFor(6);
        ReadAllFlashId(context, *record);

        EXPECT_EQ(record->flashId[0], answers ? kKnownId : FlashId{});
        EXPECT_EQ(record->flashId[1], answers ? kOtherId : FlashId{});
        EXPECT_EQ(record->flashId[5], FlashId{});
        EXPECT_EQ(record->flashCount, answers ? 2 : 0);
        EXPECT_EQ(c.f.page->portAction[6].load(), PORT_DONE);
        EXPECT_EQ(c.f.Tile(6).statusText, "kept");
        EXPECT_EQ(c.f.page->tiles.GetProgress(6), 0);
        EXPECT_EQ(c.Result(6).flashCount, 0); // the port's own record is not the target
    }
}

} // namespace
} // namespace varnet::test

// The Bad Block Info page: the spare and good-block figures, which records
// it shows at all, the bad-block list, and the scan the page runs itself on
// an unread drive (the port held as running).
#include "ui/pages/bb_table_dlg.h"

#include "../stations/drive_page_support.h"
#include "bad_block_report_generator.h"
#include "config/station_config.h"
#include "engine/main_page.h"
#include "platform/text.h"
#include "station_fixture.h"
#include "ui/grid/grid_widget.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

namespace varnet::ui {
namespace {

using test::StationFixture;

constexpr std::array<uint8_t, 8> kChip{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x0C};
constexpr int kLoadTimeoutMs = 20000;
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

// A scan result on the port, as the scan leaves it.
ST_PORT_RESULT& ScannedPort(StationFixture& f, int port) {
    f.page->portAction[port].store(PORT_DONE);
    ST_PORT_RESULT& r = f.page->portResult[port];
    r.stationName = "ScanBadBlock";
    r.resultKind = kResultScanBad;
    r.badBlockLoaded = 1;
    return r;
}

struct PageFixture {
    PageFixture() : f(kStationScanBad, {"Device Info|ISP_MPBINCode=.\\Bin\\MP.bin"}) {
        PageLockBits().store(0);
        test::PageExtras extras;
        for (int drive = 1; drive <= kPortCount; ++drive)
            extras.capacityMbByDrive[drive] = 256000;
        test::RebuildPage(f, extras);
        dlg = std::make_unique<CBBTableDlg>(*f.page, 0);
        dlg->OnActivated();
        EXPECT_TRUE(Loaded(-1));
    }
    bool Load(int port) {
        dlg->SelectPort(port);
        return Loaded(port);
    }
    bool Loaded(int port) {
        QSignalSpy spy(dlg.get(), &CResultPage::LoadFinished);
        return spy.wait(kLoadTimeoutMs) && spy.size() == 1 && spy[0][0].toInt() == port;
    }
    QString Text(GridWidget* grid, int row, int col) const { return grid->GetCell(row, col).text; }

    StationFixture f;
    std::unique_ptr<CBBTableDlg> dlg;
};

// Two CEs of 100 blocks hold 250 bad blocks: more than they have, so the
// good blocks go negative. CE 1 has one grown bad block and is marked.
TEST(BbTableDlg, FiguresAndCeGridOfAScan) {
    PageFixture pf;
    ST_PORT_RESULT& r = ScannedPort(pf.f, 4);
    r.flashId[0] = kChip;
    r.flashId[1] = kChip;
    r.flashId[2] = {0x2C, 0x2C, 0, 0, 0, 0, 0, 0};
    r.flashCount = 2;
    r.channelCount = 1;
    r.blocksPerCE = 100;
    r.earlyBad[0][0] = {100, 100, 25, 24};
    r.totalBad[0][0] = {100, 100, 25, 24};
    r.laterBad[1][1] = {0, 1, 0, 0};
    r.totalBad[1][1] = {0, 1, 0, 0};
    r.laterBadPerDie[1][1] = 1;
    r.earlyBadTotal = 249;
    r.laterBadTotal = 1;
    r.allBadTotal = 250;
    r.eraseFailTotal = 1;
    r.maxBadPerCE = 80;
    r.maxBadTotal = 160;
    r.sparePerCE[0] = -169;
    r.sparePerCE[1] = 79;
    r.spareTotal = -90;
    ASSERT_TRUE(pf.Load(4));

    const std::pair<const char*, const char*> fields[] = {
        {"CE Num:", "2"},        {"Channel Num:", "1"},        {"Early Bad:", "249"},
        {"Later Bad:", "1"},     {"Total Bad:", "250"},        {"Erase Fail:", "1"},
        {"Program Fail:", "0"},  {"Total Spare:", "160"},      {"Valid Spare:", "-90"},
        {"Total Block:", "200"}, {"Total Good Block:", "-50"},
    };
    for (const auto& [caption, value] : fields)
        EXPECT_EQ(pf.dlg->FieldValue(caption), value) << caption;

    GridWidget* grid = pf.dlg->CeGrid();
    EXPECT_EQ(grid->GetRowCount(), 17);
    EXPECT_EQ(grid->GetColumnCount(), 7);
    const QStringList row1 = {"0", "0", "249", "249", "0", "80", "-169"};
    const QStringList row2 = {"0", "1", "1", "0", "1", "80", "79"};
    for (int col = 0; col < 7; ++col) {
        EXPECT_EQ(pf.Text(grid, 1, col), row1[col]) << col;
        EXPECT_EQ(pf.Text(grid, 2, col), row2[col]) << col;
    }
    EXPECT_FALSE(grid->GetCell(1, 1).crossed);
    EXPECT_TRUE(grid->GetCell(2, 1).crossed);
    EXPECT_EQ(grid->GetCell(2, 1).bkColor, kRed);
    EXPECT_FALSE(grid->GetCell(2, 0).crossed);
    EXPECT_EQ(grid->GetCell(1, 4).textColor, kBlack);
    EXPECT_EQ(grid->GetCell(2, 4).textColor, kRed);
    EXPECT_EQ(pf.Text(grid, 3, 1), "");
}

TEST(BbTableDlg, ShowsNothingButAFinishedScan) {
    struct Case {
        const char* name;
        uint8_t kind;
        uint8_t action;
    };
    const Case cases[] = {
        {"burn-in result", kResultRdt, PORT_DONE},
        {"erase result", kResultErase, PORT_DONE},
        {"scan of a port that runs again", kResultScanBad, PORT_MP},
    };
    PageFixture pf;
    for (const Case& c : cases) {
        ST_PORT_RESULT& r = ScannedPort(pf.f, 6);
        r.resultKind = c.kind;
        r.flashId[0] = kChip;
        r.flashCount = 1;
        r.allBadTotal = 3;
        pf.f.page->portAction[6].store(c.action);
        pf.f.page->badBlockList[6] = {BAD_BLOCK_INFO{}};
        ASSERT_TRUE(pf.Load(6)) << c.name;
        EXPECT_EQ(pf.dlg->FieldValue("Total Bad:"), "") << c.name;
        EXPECT_EQ(pf.dlg->FieldValue("CE Num:"), "") << c.name;
        EXPECT_EQ(pf.Text(pf.dlg->CeGrid(), 1, 1), "") << c.name;
        EXPECT_EQ(pf.Text(pf.dlg->BlockGrid(), 1, 0), "") << c.name;
    }
}

TEST(BbTableDlg, BlockListInDecimalAndHex) {
    PageFixture pf;
    ScannedPort(pf.f, 0);
    const auto entry = [](const char* label, int ce, int plane, int block) {
        BAD_BLOCK_INFO e{};
        SetFieldText(e.label, label);
        e.ce = static_cast<uint8_t>(ce);
        e.channel = static_cast<uint8_t>(ce / 8);
        e.plane = static_cast<uint8_t>(plane);
        e.block = block;
        return e;
    };
    pf.f.page->badBlockList[0] = {entry("Early", 9, 0, 300), entry("Erase", 9, 1, 1234),
                                  entry("Early Bad", 0, 2, 6)};
    ASSERT_TRUE(pf.Load(0));

    GridWidget* grid = pf.dlg->BlockGrid();
    EXPECT_EQ(grid->GetRowCount(), 36);
    EXPECT_EQ(pf.Text(grid, 0, 5), "Block(Dec)");
    const QStringList row1 = {"1", "Early", "1", "9", "0", "300", "0x012c"};
    const QStringList row2 = {"2", "Erase", "1", "9", "1", "1234", "0x04d2"};
    for (int col = 0; col < 7; ++col) {
        EXPECT_EQ(pf.Text(grid, 1, col), row1[col]) << col;
        EXPECT_EQ(pf.Text(grid, 2, col), row2[col]) << col;
        EXPECT_EQ(grid->GetCell(1, col).textColor, kBlack) << "factory block, column " << col;
        EXPECT_EQ(grid->GetCell(3, col).textColor, kBlack) << "factory block, column " << col;
        EXPECT_EQ(grid->GetCell(2, col).textColor, col == 0 ? kBlack : kRed) << col;
    }
    EXPECT_EQ(pf.Text(grid, 4, 0), "");
}

// The scan the page starts holds the port as a run of 08_Scan Bad until its
// table is read and shown.
TEST(BbTableDlg, ScansAnUnreadDriveAsARunOfThePort) {
    PageFixture pf;
    constexpr int kPort = 3;
    pf.f.AttachDrive(kPort);
    pf.f.page->identifiedCount = 1;
    ST_PORT_RESULT& r = pf.f.page->portResult[kPort];
    r.flashId[0] = kChip;
    r.flashId[1] = kChip;
    test::BadBlockReportContent content;
    content.flashNumber = 2;
    content.diePerFlash = 1;
    content.planes = 2;
    content.blocksPerCe = 1000;
    content.maxBadPerPlane = 40;
    test::BadBlockDie ce0;
    ce0.early = {3, 2, 0, 0};
    ce0.blocks = {{"Early", 300, "Factory"}};
    test::BadBlockDie ce1;
    ce1.ce = 1;
    ce1.later = {0, 1, 0, 0};
    ce1.eraseFails = {0, 1, 0, 0};
    ce1.blocks = {{"Erase", 77, "Erase fail"}};
    content.dies = {ce0, ce1};

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> entered{false};
    pf.f.library.scanBadBlock = [&](int, const char*, const char* output) {
        test::WriteText(output, test::WriteScanBadReport(content));
        entered = true;
        released.wait();
        return true;
    };

    pf.dlg->SelectPort(kPort);
    QTRY_VERIFY_WITH_TIMEOUT(entered.load(), kLoadTimeoutMs);
    MainPage& page = *pf.f.page;
    EXPECT_EQ(page.portAction[kPort].load(), PORT_SCAN_BAD);
    EXPECT_EQ(page.runningPorts.load(), 1);
    EXPECT_FALSE(pf.dlg->CanActivate());
    QSignalSpy loads(pf.dlg.get(), &CResultPage::LoadFinished);
    pf.dlg->SelectPort(0); // ignored while the scan runs
    release.set_value();
    ASSERT_TRUE(loads.wait(kLoadTimeoutMs));
    ASSERT_EQ(loads.size(), 1);
    EXPECT_EQ(loads[0][0].toInt(), kPort);

    EXPECT_EQ(page.portAction[kPort].load(), PORT_DONE);
    EXPECT_EQ(page.runningPorts.load(), 0);
    EXPECT_EQ(page.portResult[kPort].portRunning, 0);
    EXPECT_TRUE(pf.dlg->CanActivate());
    // 2 CEs x 1 die x 2 planes x 40 allowed; CE 0 uses 5, CE 1 uses 1.
    EXPECT_EQ(pf.dlg->FieldValue("Total Spare:"), "160");
    EXPECT_EQ(pf.dlg->FieldValue("Valid Spare:"), "154");
    EXPECT_EQ(pf.dlg->FieldValue("Total Good Block:"), "1994");
    GridWidget* ces = pf.dlg->CeGrid();
    EXPECT_EQ(pf.Text(ces, 1, 6), "75");
    EXPECT_FALSE(ces->GetCell(1, 1).crossed);
    EXPECT_TRUE(ces->GetCell(2, 1).crossed);
    EXPECT_EQ(pf.Text(pf.dlg->BlockGrid(), 2, 5), "77");
}

// Closing the window during the page's scan must not leave the port counted
// as running: the pages would stay locked and Start would skip it for good.
TEST(BbTableDlg, DestroyedDuringItsScanStillEndsTheRun) {
    PageFixture pf;
    constexpr int kPort = 5;
    pf.f.AttachDrive(kPort);
    pf.f.page->identifiedCount = 1;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> entered{false};
    pf.f.library.scanBadBlock = [&](int, const char*, const char*) {
        entered = true;
        released.wait();
        return false;
    };
    pf.dlg->SelectPort(kPort);
    QTRY_VERIFY_WITH_TIMEOUT(entered.load(), kLoadTimeoutMs);
    release.set_value();
    pf.dlg.reset(); // waits for the scan; no event is handled meanwhile

    MainPage& page = *pf.f.page;
    EXPECT_EQ(page.portAction[kPort].load(), PORT_DONE);
    EXPECT_EQ(page.runningPorts.load(), 0);
    EXPECT_EQ(page.portResult[kPort].portRunning, 0);
    EXPECT_EQ(PageLockBits().load(), 0u);
    EXPECT_EQ(pf.f.Tile(kPort).kind, kTileFail);
}

TEST(BbTableDlg, LargeScanFillsEveryRow) {
    PageFixture pf;
    test::BadBlockReportOptions options;
    options.ceCount = 16;
    options.badPerDie = 1500;
    const test::BadBlockReportContent content = test::RandomBadBlockContent(options);
    pf.f.AttachDrive(1);
    pf.f.library.scanBadBlock = [&](int, const char*, const char* output) {
        test::WriteText(output, test::WriteScanBadReport(content));
        return true;
    };
    ASSERT_TRUE(pf.Load(1));

    size_t blocks = 0;
    for (const test::BadBlockDie& die : content.dies)
        blocks += die.blocks.size();
    GridWidget* grid = pf.dlg->BlockGrid();
    ASSERT_EQ(grid->GetRowCount(), static_cast<int>(blocks) + 1);
    const test::BadBlockDie& lastDie = content.dies.back();
    const int last = static_cast<int>(blocks);
    EXPECT_EQ(pf.Text(grid, last, 3), QString::number(lastDie.ce));
    EXPECT_EQ(pf.Text(grid, last, 5), QString::number(lastDie.blocks.back().block));
    EXPECT_EQ(pf.Text(grid, last, 1), QString::fromStdString(lastDie.blocks.back().label));
}

TEST(BbTableDlg, ActivationFollowsItsOwnLock) {
    PageFixture pf;
    QSignalSpy notices(pf.dlg.get(), &CResultPage::Activated);
    PageLockBits().store(kLockBadBlockPage);
    EXPECT_FALSE(pf.dlg->CanActivate());
    pf.dlg->OnActivated();
    EXPECT_EQ(notices.size(), 0);
    PageLockBits().store(kLockRdtInfoPage);
    pf.dlg->OnActivated();
    ASSERT_TRUE(pf.Loaded(-1));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0][0].toInt(), 3);
    PageLockBits().store(0);
}

} // namespace
} // namespace varnet::ui

// The RDT Info page: what the general block says for each kind of record,
// which grid cells are marked and coloured, the fail list, and the page's
// own burn-in collection (relaxed specs, the port held as running while it
// goes, a second selection ignored).
#include "ui/pages/rdt_result_dlg.h"

#include "../stations/burn_in_support.h"
#include "config/station_config.h"
#include "engine/main_page.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "rdt_report_generator.h"
#include "station_fixture.h"
#include "ui/grid/grid_widget.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace varnet::ui {
namespace {

using test::StationFixture;

constexpr std::array<uint8_t, 8> kChip{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x0C};
constexpr int kLoadTimeoutMs = 20000;

void SetLater(ST_PORT_RESULT& r, int ce, int die, std::array<int32_t, 4> planes) {
    int32_t sum = 0;
    for (int p = 0; p < 4; ++p) {
        r.laterBad[ce][die][p] = planes[p];
        r.totalBad[ce][die][p] = r.earlyBad[ce][die][p] + planes[p];
        sum += planes[p];
    }
    r.laterBadPerDie[ce][die] = sum;
}

// A finished burn-in result on the port, as the collection leaves it.
ST_PORT_RESULT& FinishedPort(StationFixture& f, int port) {
    f.page->portAction[port].store(PORT_DONE);
    ST_PORT_RESULT& r = f.page->portResult[port];
    r.stationName = "03_RDTResult";
    r.resultKind = kResultRdt;
    r.badBlockLoaded = 1;
    return r;
}

struct PageFixture {
    explicit PageFixture(int uiLanguage = 0)
        : f(kStationRdtResult, {}, uiLanguage), dlg(*f.page, uiLanguage) {
        PageLockBits().store(0);
        f.page->portCount = 16;
        dlg.OnActivated();
        EXPECT_TRUE(Loaded(-1));
    }
    // Selects the port and waits for the load to show it.
    bool Load(int port) {
        dlg.SelectPort(port);
        return Loaded(port);
    }
    bool Loaded(int port) {
        QSignalSpy spy(&dlg, &CResultPage::LoadFinished);
        return spy.wait(kLoadTimeoutMs) && spy.size() == 1 && spy[0][0].toInt() == port;
    }
    QString Text(GridWidget* grid, int row, int col) const { return grid->GetCell(row, col).text; }

    StationFixture f;
    CRDTResultDlg dlg;
};

TEST(RdtResultDlg, GeneralBlockByRecord) {
    struct Case {
        const char* name;
        void (*set)(ST_PORT_RESULT&, std::atomic<uint8_t>& action);
        const char* status;
        const char* fwVersion;
        const char* timeCaption;
        const char* laterBad;
    };
    const Case cases[] = {
        {"pass, revision of a burn-in report",
         [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) { SetFieldText(r.firmwareRevision, "FW9"); }, "Pass!",
         "FW9", "Time:", "7"},
        {"failure with the library's message",
         [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) {
             r.failFlag = 1;
             SetFieldText(r.errorMessage, "CE3 erase fail");
         },
         "CE3 erase fail", "R2.0", "Time:", "7"},
        {"failure with a binary message",
         [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) {
             r.failFlag = 1;
             SetFieldText(r.errorMessage, "\x80garbage");
         },
         "Fail!", "R2.0", "Time:", "7"},
        {"failure with no message", [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) { r.failFlag = 1; }, "Fail!",
         "R2.0", "Time:", "7"},
        {"revision of another report is not the burn-in firmware",
         [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) {
             r.resultKind = kResultErase;
             SetFieldText(r.firmwareRevision, "FW9");
         },
         "Pass!", "R2.0", "Time:", "7"},
        {"collection station",
         [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) { r.testStationSel = kStationRdtResult; }, "Pass!",
         "R2.0", "RDT Time:", "7"},
        {"nothing read, collection station",
         [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) {
             r.stationName.clear();
             r.testStationSel = kStationRdtResult;
         },
         "No RDT Info!", "", "RDT Time:", ""},
        {"nothing read", [](ST_PORT_RESULT& r, std::atomic<uint8_t>&) { r.stationName.clear(); }, "No Info!",
         "", "Time:", ""},
        {"port still running shows nothing",
         [](ST_PORT_RESULT&, std::atomic<uint8_t>& action) { action.store(PORT_MP); }, "No Info!", "",
         "Time:", ""},
    };
    PageFixture pf;
    for (const Case& c : cases) {
        ST_PORT_RESULT& r = FinishedPort(pf.f, 3);
        r = ST_PORT_RESULT{};
        FinishedPort(pf.f, 3);
        r.rdtFwVersion = "R2.0";
        r.laterBadTotal = 7;
        r.processTime = "12:00:00";
        c.set(r, pf.f.page->portAction[3]);
        ASSERT_TRUE(pf.Load(3)) << c.name;
        EXPECT_EQ(pf.dlg.FieldValue("Status:"), QString::fromUtf8(c.status)) << c.name;
        EXPECT_EQ(pf.dlg.FieldValue("FW Version:"), c.fwVersion) << c.name;
        EXPECT_EQ(pf.dlg.TimeCaption(), c.timeCaption) << c.name;
        EXPECT_EQ(pf.dlg.FieldValue("Later Bad:"), c.laterBad) << c.name;
        EXPECT_EQ(pf.dlg.ProgressLabel()->text(), "100%") << c.name;
    }
}

// Eight CEs on channels 0 and 1 with two dies each; the report allows 3
// grown blocks per die. CE 9 die 1 has 4 (over), CE 10 die 0 has 3 (at the
// limit), CE 2 failed its speed test.
TEST(RdtResultDlg, BadBlockGridsMarkWhatIsOverTheLimit) {
    PageFixture pf;
    ST_PORT_RESULT& r = FinishedPort(pf.f, 0);
    for (int ce : {0, 1, 2, 3, 8, 9, 10, 11})
        r.flashId[ce] = kChip;
    r.flashId[4] = {0x2C, 0x2C, 0, 0, 0, 0, 0, 0}; // equal bytes: no chip listed
    r.flashCount = 8;
    r.diePerFlash = 2;
    r.enableMaxFail = 1;
    r.maxLaterBad = 3;
    r.speedFailMask = 1u << 2;
    r.earlyBad[0][0] = {1, 0, 2, 0};
    SetLater(r, 0, 0, {0, 0, 0, 0});
    SetLater(r, 9, 1, {2, 2, 0, 0});
    SetLater(r, 10, 0, {0, 3, 0, 0});
    ASSERT_TRUE(pf.Load(0));

    GridWidget* ce = pf.dlg.CeGrid();
    EXPECT_EQ(ce->GetRowCount(), 17);
    EXPECT_EQ(ce->GetFixedRowCount(), 1);
    struct CeRow {
        int row;
        const char* ch;
        const char* ce;
        const char* total;
        const char* early;
        const char* later;
        bool marked;
    };
    for (const CeRow& c :
         {CeRow{1, "0", "0", "3", "3", "0", false}, CeRow{3, "0", "2", "0", "0", "0", true},
          CeRow{5, "1", "8", "0", "0", "0", false}, CeRow{6, "1", "9", "4", "0", "4", true},
          CeRow{7, "1", "10", "3", "0", "3", false}, CeRow{8, "1", "11", "0", "0", "0", false}}) {
        const GridCell mark = ce->GetCell(c.row, 0);
        EXPECT_EQ(mark.text, c.ch) << c.row;
        EXPECT_EQ(pf.Text(ce, c.row, 1), c.ce) << c.row;
        EXPECT_EQ(pf.Text(ce, c.row, 2), c.total) << c.row;
        EXPECT_EQ(pf.Text(ce, c.row, 3), c.early) << c.row;
        EXPECT_EQ(pf.Text(ce, c.row, 4), c.later) << c.row;
        EXPECT_EQ(mark.crossed, c.marked) << c.row;
        EXPECT_EQ(mark.bkColor == QColor(255, 0, 0), c.marked) << c.row;
        EXPECT_EQ(ce->GetCell(c.row, 4).textColor,
                  QString(c.later) == "0" ? QColor(0, 0, 0) : QColor(255, 0, 0))
            << c.row;
    }
    EXPECT_EQ(pf.Text(ce, 9, 1), "");

    // Only CE 9 die 1 itself is marked; the speed failure is the CE's.
    GridWidget* die = pf.dlg.DieGrid();
    EXPECT_EQ(die->GetRowCount(), 17);
    for (int row = 1; row <= 16; ++row)
        EXPECT_EQ(die->GetCell(row, 0).crossed, row == 12) << row;
    EXPECT_EQ(pf.Text(die, 12, 0), "9");
    EXPECT_EQ(pf.Text(die, 12, 1), "1");
    EXPECT_EQ(pf.Text(die, 12, 4), "4");

    // 16 factory rows, then 16 grown ones: 33 rows with the header.
    GridWidget* plane = pf.dlg.PlaneGrid();
    EXPECT_EQ(plane->GetRowCount(), 33);
    EXPECT_EQ(pf.Text(plane, 1, 2), "EarlyBad");
    EXPECT_EQ(pf.Text(plane, 1, 5), "2");
    EXPECT_EQ(plane->GetCell(12, 0).crossed, false);
    EXPECT_EQ(pf.Text(plane, 17, 2), "LaterBad");
    for (int row = 17; row <= 32; ++row)
        EXPECT_EQ(plane->GetCell(row, 0).crossed, row == 28) << row;
    EXPECT_EQ(pf.Text(plane, 28, 0), "9");
    EXPECT_EQ(plane->GetCell(28, 3).textColor, QColor(255, 0, 0));
    EXPECT_EQ(plane->GetCell(28, 5).textColor, QColor(0, 0, 0));
    EXPECT_EQ(pf.Text(plane, 32, 0), "11");
    EXPECT_EQ(pf.Text(plane, 32, 1), "1");
}

TEST(RdtResultDlg, FailListColoursFailuresRed) {
    PageFixture pf;
    FinishedPort(pf.f, 1);
    const auto entry = [](const char* label, int block) {
        BAD_BLOCK_INFO e{};
        SetFieldText(e.label, label);
        e.ce = 9;
        e.channel = 1;
        e.plane = 2;
        e.block = block;
        e.page = 77;
        e.overThresholdBits = 45;
        e.totalLoop = 3000;
        e.runLoop = 12;
        e.runCycle = 4;
        e.timeStamp = 987;
        return e;
    };
    pf.f.page->badBlockList[1] = {entry("Early Bad", 5), entry("Erase Fail", 418),
                                  entry("Read over threshold", 7)};
    ASSERT_TRUE(pf.Load(1));

    GridWidget* grid = pf.dlg.FailGrid();
    EXPECT_EQ(grid->GetRowCount(), 24);
    EXPECT_EQ(grid->GetColumnCount(), 12);
    const QStringList row2 = {"2", "Erase Fail", "1", "9", "2", "418", "77", "45", "3000", "12", "4", "987"};
    for (int col = 0; col < 12; ++col) {
        EXPECT_EQ(pf.Text(grid, 2, col), row2[col]) << col;
        EXPECT_EQ(grid->GetCell(1, col).textColor, QColor(0, 0, 0)) << "factory bad, column " << col;
        EXPECT_EQ(grid->GetCell(2, col).textColor, col == 0 ? QColor(0, 0, 0) : QColor(255, 0, 0)) << col;
    }
    EXPECT_EQ(pf.Text(grid, 0, 7), "ECC");
    EXPECT_EQ(pf.Text(grid, 3, 1), "Read over threshold");
    EXPECT_EQ(pf.Text(grid, 4, 0), "");
}

// The collection the page starts holds the port as a run of 03_RDTResult:
// Start and tile clicks skip it and a second selection is ignored until it
// is over; it reads the log with every bad-block limit relaxed.
TEST(RdtResultDlg, CollectsAnUnreadDriveAsARunOfThePort) {
    PageFixture pf;
    constexpr int kPort = 2;
    pf.f.AttachDrive(kPort);
    pf.f.page->identifiedCount = 1;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> entered{false};
    std::string settings;
    pf.f.library.readRdtBadLog = [&](const MpLibrary::Call& call) {
        settings = test::ReadText(call.settingsFile);
        test::WriteText(test::burnin::LibraryReportPath(call),
                        test::burnin::BurnInReport({2, 4, 1, 2, 3, 45}));
        SetProgressValue(*call.progress, 50);
        entered = true;
        released.wait();
        return true;
    };

    pf.dlg.SelectPort(kPort);
    QTRY_VERIFY_WITH_TIMEOUT(entered.load(), kLoadTimeoutMs);
    // The animation follows the library: 60 % of its 50, nothing filled yet.
    QTRY_COMPARE_WITH_TIMEOUT(pf.dlg.ProgressBar()->value(), 30, kLoadTimeoutMs);
    EXPECT_EQ(pf.dlg.ProgressLabel()->text(), "30%");
    MainPage& page = *pf.f.page;
    EXPECT_EQ(page.portAction[kPort].load(), PORT_RDT_RESULT);
    EXPECT_FALSE(AcceptsRequest(page.portAction[kPort].load()));
    EXPECT_EQ(page.runningPorts.load(), 1);
    EXPECT_EQ(page.portResult[kPort].portRunning, 1);
    EXPECT_FALSE(pf.dlg.CanActivate());
    EXPECT_FALSE(pf.f.view.Enabled(PageControl::Refresh));
    EXPECT_TRUE(pf.dlg.IsBusy());
    QSignalSpy loads(&pf.dlg, &CResultPage::LoadFinished);
    pf.dlg.SelectPort(5); // ignored: the collection is still running
    release.set_value();
    ASSERT_TRUE(loads.wait(kLoadTimeoutMs));
    QCoreApplication::processEvents();
    ASSERT_EQ(loads.size(), 1);
    EXPECT_EQ(loads[0][0].toInt(), kPort);

    for (const char* key : {"EarlyBad_Spec", "SLCLaterBad_Spec", "SLCLaterBad_SpecPerPlane",
                            "STL_LaterBad_Spec", "BTL_LaterBad_Spec", "LaterBad_Spec",
                            "LaterBad_SpecPerPlane", "TotalBad_SpecPerDie", "TotalBad_SpecPerPlane",
                            "Total_LaterBad_Spec", "TotalLaterBad_SpecPerDie", "TotalLaterBad_SpecPerPlane"})
        EXPECT_NE(settings.find(std::string(key) + "=9999"), std::string::npos) << key;
    EXPECT_EQ(page.portAction[kPort].load(), PORT_DONE);
    EXPECT_EQ(page.runningPorts.load(), 0);
    EXPECT_EQ(page.portResult[kPort].portRunning, 0);
    EXPECT_TRUE(pf.dlg.CanActivate());
    EXPECT_TRUE(pf.f.view.Enabled(PageControl::Refresh));
    EXPECT_FALSE(pf.f.view.TimerRunning(kClockTimer));

    EXPECT_EQ(pf.dlg.FieldValue("Status:"), "Pass!");
    EXPECT_EQ(pf.dlg.FieldValue("Later Bad:"), "4");
    EXPECT_EQ(pf.dlg.FieldValue("Read Fail:"), "3");
    EXPECT_EQ(pf.dlg.FieldValue("Temperature:"), QString::fromUtf8("45°C"));
    EXPECT_EQ(pf.Text(pf.dlg.FailGrid(), 1, 1), "Erase Fail");
    EXPECT_EQ(pf.Text(pf.dlg.FailGrid(), 6, 1), "Read retry fail");
    EXPECT_EQ(pf.dlg.ProgressBar()->value(), 100);

    // Now loaded: choosing the port again shows it without a second reading.
    ASSERT_TRUE(pf.Load(kPort));
    EXPECT_EQ(pf.f.library.Calls().size(), 1u);
    EXPECT_EQ(pf.dlg.FieldValue("Later Bad:"), "4");
}

TEST(RdtResultDlg, LargeCollectedFailListFillsEveryRow) {
    PageFixture pf;
    constexpr int kPort = 0;
    pf.f.AttachDrive(kPort);
    test::RdtReportOptions options;
    options.failRows = 20000;
    options.seed = 7;
    const test::RdtReportContent content = test::RandomRdtContent(options);
    pf.f.library.readRdtBadLog = [&](const MpLibrary::Call& call) {
        test::WriteText(test::burnin::LibraryReportPath(call), test::WriteRdtReport(content));
        return true;
    };
    ASSERT_TRUE(pf.Load(kPort));

    GridWidget* grid = pf.dlg.FailGrid();
    const int rows = static_cast<int>(content.failRows.size());
    ASSERT_EQ(grid->GetRowCount(), rows + 1);
    const test::RdtFailRow& last = content.failRows.back();
    EXPECT_EQ(pf.Text(grid, rows, 0), QString::number(rows));
    EXPECT_EQ(pf.Text(grid, rows, 5), QString::number(last.block));
    EXPECT_EQ(pf.Text(grid, rows, 6), QString::number(last.page));
    EXPECT_EQ(pf.Text(grid, rows, 9), QString::number(last.runLoop));
}

TEST(RdtResultDlg, ActivationFollowsThePageLock) {
    PageFixture pf;
    QSignalSpy notices(&pf.dlg, &CResultPage::Activated);
    PageLockBits().store(kLockRdtInfoPage);
    EXPECT_FALSE(pf.dlg.CanActivate());
    pf.dlg.OnActivated();
    EXPECT_EQ(notices.size(), 0);

    PageLockBits().store(kLockBadBlockPage);
    pf.f.page->portCount = 8;
    pf.dlg.OnActivated();
    ASSERT_TRUE(pf.Loaded(-1));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0][0].toInt(), 2);
    QComboBox* list = pf.dlg.PortList();
    ASSERT_EQ(list->count(), 8);
    EXPECT_EQ(list->itemText(0), "01");
    EXPECT_EQ(list->itemText(7), "08");
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(pf.dlg.FieldValue("Status:"), "No Info!");
    PageLockBits().store(0);

    // The wheel would step through the ports, loading each.
    list->setCurrentIndex(3);
    QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list, &wheel);
    EXPECT_EQ(list->currentIndex(), 3);
    EXPECT_FALSE(pf.dlg.IsBusy());

    CRDTResultDlg chinese(*pf.f.page, 1);
    EXPECT_EQ(chinese.findChild<QComboBox*>("portList")->parentWidget()->property("title").toString(),
              QString::fromUtf8("请选择端口"));
}

} // namespace
} // namespace varnet::ui

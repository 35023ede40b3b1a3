// The main window on the simulated station (the demo station: 24 drives, of
// which drive 10 carries a flash the database does not know and drive 19
// fails identify): Refresh and Start through the page's buttons, tile clicks,
// the port-count, map and LockCurrent controls, drives pulled and plugged
// while the station runs, a missing station file, and closing the window
// while ports run.
#include "demo_station_window.h"
#include "device_root_writer.h"
#include "engine/main_page.h"
#include "operator_choice.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "station_description.h"
#include "temp_dir.h"
#include "ui/controls/button_ex.h"
#include "ui/controls/label.h"
#include "ui/controls/my_tab_ctrl.h"
#include "ui/controls/progress_ctrl_ex.h"
#include "ui/dialogs/detail_info_dialog.h"
#include "ui/dialogs/log_info_dialog.h"
#include "ui/grid/grid_widget.h"
#include "ui/main/main_wnd_dlg.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/main/port_tile.h"
#include "ui/main/qt_page_view.h"
#include "ui/main/varnet_tool_dlg.h"
#include "ui/pages/rdt_result_dlg.h"
#include "ui/pages/yield_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "qt_print.h"

#include <gtest/gtest.h>

#include <set>

namespace varnet::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kRunMs = 60000; // bound for a batch on a slow machine

class MainWindowOnDemoStation : public DemoStationWindowTest {
protected:
    // Every library call on these drives takes ms milliseconds.
    void SlowDrives(const std::set<int>& drives, int ms) {
        AddToDrives(
            [&](const std::string& line) {
                for (int drive : drives)
                    if (line.starts_with("drive " + std::to_string(drive) + " "))
                        return true;
                return false;
            },
            "time-ms=" + std::to_string(ms));
    }

    // The window on the demo station with the production station chosen.
    // Drive 24 identifies last, so Refresh ends with Start usable (a batch
    // whose last identify failed would leave Start off).
    void Open() {
        SlowDrives({24}, 150);
        StartWindow();
        // LockCurrent holds the list until the operator lets go of it.
        Click(Page().LockCurrentBox());
        Choose(Page().ConfigurationCombo(), "04_MP.ini");
        Click(Page().LockCurrentBox());
    }

    CVarnetToolDlg& Page() const { return *window_->MainPage(); }
    MainPage& Engine() const { return *Page().Page(); }
    CPortTile& Tile(int port) const { return *Page().Tile(port - 1); } // 1-based, as the operator counts

    // On the check box's mark, where a click toggles it.
    static void Click(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void Choose(QComboBox* combo, const QString& text) {
        ASSERT_TRUE(combo->isEnabled()) << text.toStdString();
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        test::ChooseEntry(combo, index);
    }

    bool RunsEnd() const {
        const bool ended = QTest::qWaitFor([this] { return !Engine().PortRunsActive(); }, kRunMs);
        // What the last runs told the tiles is on screen now.
        QCoreApplication::processEvents();
        return ended;
    }
    bool TileShows(int port, uint8_t kind) const {
        return QTest::qWaitFor([&] { return Tile(port).Shown().kind == kind; }, kRunMs);
    }

    void Refresh() {
        Click(Page().RefreshButton());
        ASSERT_TRUE(RunsEnd());
    }

    std::string StationKey(const char* section, const char* key) const {
        return IniGetString(Folder() / "04_MP.ini", section, key, "", 64);
    }

    static constexpr uint8_t kAsTheEngineSays = 0xFF;

    // Checks each tile against the kind the simulated drive must end in, on
    // the screen as in the engine.
    void ExpectTiles(const std::map<int, uint8_t>& exceptions, uint8_t otherwise) const {
        for (int port = 1; port <= 24; ++port) {
            const auto found = exceptions.find(port);
            const TileState engine = Engine().tiles.State(port - 1);
            uint8_t kind = found == exceptions.end() ? otherwise : found->second;
            if (kind == kAsTheEngineSays)
                kind = engine.kind;
            EXPECT_EQ(engine.kind, kind) << "port " << port << ": " << engine.statusText;
            EXPECT_EQ(Tile(port).Status()->BkColor(), TileKindColor(kind)) << "port " << port;
            EXPECT_EQ(Tile(port).Shown().statusText, engine.statusText) << "port " << port;
        }
    }

    int TilesShowing(uint8_t kind) const {
        int count = 0;
        for (int port = 1; port <= 24; ++port)
            count += Tile(port).Shown().kind == kind && Engine().tiles.State(port - 1).kind == kind;
        return count;
    }

    // Answers the next question box of the window, once it is open.
    void AnswerNextQuestion(QMessageBox::StandardButton answer) {
        auto* poll = new QTimer(window_.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->button(answer)->click();
                poll->deleteLater();
            }
        });
        poll->start(10);
    }
};

TEST_F(MainWindowOnDemoStation, RefreshThenStartGivesEveryDriveItsVerdict) {
    Open();
    EXPECT_EQ(window_->windowTitle(), "QC7720-Qm&Tr-v6.0");
    EXPECT_EQ(Page().SettingValueText(139), "04_MP");
    EXPECT_FALSE(Page().StartButton()->isEnabled());
    for (int port = 1; port <= 24; ++port)
        EXPECT_TRUE(Tile(port).isVisible()) << port; // the demo's files say 24 ports

    Refresh();
    ExpectTiles({{19, kTileFail}}, kTileInfo);
    EXPECT_EQ(Tile(19).Shown().statusText, "Identify Fail!");
    EXPECT_EQ(Tile(3).Button()->TipText(), "Click to Start");
    EXPECT_TRUE(Page().StartButton()->isEnabled());
    // Before any run the log has no file to name.
    QTest::mouseClick(Tile(3).Status(), Qt::RightButton);
    CLogInfoDlg* log = Page().findChild<CLogInfoDlg*>();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->windowTitle(), "Log [Port 3]");
    EXPECT_EQ(Page().SelectedTile(), 2);
    log->close();
    QCoreApplication::processEvents(); // the closed dialog goes

    Click(Page().StartButton());
    EXPECT_FALSE(Page().RefreshButton()->isEnabled()); // a batch runs
    ASSERT_TRUE(RunsEnd());
    ExpectTiles({{10, kTileFail}, {19, kTileFail}}, kTilePass);
    EXPECT_EQ(Tile(10).Shown().statusText, "Device Invalid!");
    for (int port = 1; port <= 24; ++port)
        EXPECT_EQ(Tile(port).Bar()->value(), port == 10 || port == 19 ? 0 : 100) << port;
    // Controls follow the last port to end (done: Refresh, not Start); the
    // timers stopped with the batch.
    EXPECT_FALSE(Page().StartButton()->isEnabled());
    EXPECT_TRUE(Page().RefreshButton()->isEnabled());
    for (int timer : {kAnimationTimer, kClockTimer, kProgressTimer})
        EXPECT_FALSE(Page().View()->IsTimerActive(timer)) << timer;
    // 22 drives numbered; the box shows the next number the file holds.
    EXPECT_EQ(StationKey("SN Set", "SN_Start"), "VN2612000023");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page().SettingValueText(146) == "VN2612000023"; }, 1000));

    QTest::mouseClick(Tile(3).Status(), Qt::RightButton);
    log = Page().findChild<CLogInfoDlg*>();
    ASSERT_NE(log, nullptr);
    const QString logTitle = log->windowTitle();
    EXPECT_TRUE(logTitle.startsWith("Log [Port 3] [./Log/")) << logTitle.toStdString();
    EXPECT_FALSE(logTitle.contains(QString::fromStdString(Folder().string()))) << logTitle.toStdString();
    log->close();
    QTest::mouseDClick(Tile(3).Status(), Qt::LeftButton);
    CDetailInfoDlg* detail = Page().findChild<CDetailInfoDlg*>();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->windowTitle(), "All Flash ID (Port 3):");
    detail->close();
}

TEST_F(MainWindowOnDemoStation, AClickOnARunningPortDoesNothing) {
    SlowDrives({1}, 250);
    Open();
    Refresh();
    Click(Tile(1).Button());
    ASSERT_TRUE(TileShows(1, kTileRunning));
    ASSERT_EQ(Engine().portAction[0].load(), PORT_MP);
    Click(Tile(1).Button());
    Click(Tile(1).Button());
    // The double click of a running port opens nothing either: its record
    // is being written.
    QTest::mouseDClick(Tile(1).Status(), Qt::LeftButton);
    EXPECT_EQ(Page().findChild<CDetailInfoDlg*>(), nullptr);
    ASSERT_TRUE(RunsEnd());
    EXPECT_EQ(Tile(1).Shown().kind, kTilePass);
    // One run numbered one drive; the click ran its port only.
    EXPECT_EQ(StationKey("SN Set", "SN_Start"), "VN2612000002");
    EXPECT_EQ(Tile(2).Shown().kind, kTileInfo);
}

TEST_F(MainWindowOnDemoStation, LockCurrentHoldsThePageChoices) {
    Open();
    QComboBox* const choices[] = {Page().PortCountCombo(), Page().MapCombo(), Page().ConfigurationCombo()};
    EXPECT_TRUE(Page().LockCurrentBox()->isChecked());
    for (QComboBox* combo : choices)
        EXPECT_FALSE(combo->isEnabled());
    Click(Page().LockCurrentBox());
    for (QComboBox* combo : choices)
        EXPECT_TRUE(combo->isEnabled());
    EXPECT_FALSE(Engine().view().IsLockCurrentChecked());
    Refresh();
    for (QComboBox* combo : choices)
        EXPECT_TRUE(combo->isEnabled());
    // Start locks them again for the batch and after it.
    Click(Page().StartButton());
    ASSERT_TRUE(RunsEnd());
    EXPECT_TRUE(Page().LockCurrentBox()->isChecked());
    for (QComboBox* combo : choices)
        EXPECT_FALSE(combo->isEnabled());
}

TEST_F(MainWindowOnDemoStation, PortCountIsWrittenToTheStationFileAndLaysTheTilesOut) {
    Open();
    Click(Page().LockCurrentBox());
    struct Case {
        const char* choice;
        int shown;
        int width;
        int height;
    };
    for (const Case& c : {Case{"8", 8, 212, 216}, Case{"16", 16, 104, 216}, Case{"24", 24, 104, 143}}) {
        SCOPED_TRACE(c.choice);
        Choose(Page().PortCountCombo(), c.choice);
        EXPECT_EQ(StationKey("General Info", "SlotNumber"), c.choice);
        EXPECT_EQ(Engine().portCount, static_cast<unsigned>(c.shown));
        for (int port = 1; port <= 24; ++port)
            EXPECT_EQ(Tile(port).isVisible(), port <= c.shown) << port;
        EXPECT_EQ(Tile(c.shown).size(), QSize(c.width, c.height));
    }
}

TEST_F(MainWindowOnDemoStation, MapChangeIsWrittenAndFindsTheDrivesAgain) {
    Open();
    Click(Page().LockCurrentBox());
    Refresh();
    const fs::path hubMapping = Folder() / "Config/HubMapping.xml";
    ASSERT_FALSE(fs::exists(hubMapping)); // start-up removed the last one
    Choose(Page().MapCombo(), "LockHub");
    EXPECT_EQ(StationKey("General Info", "MapType"), "1");
    ASSERT_TRUE(RunsEnd());
    // The drives were scanned again by hub (hubs numbered as first seen, so
    // the drives may sit on other ports) and identified again.
    EXPECT_TRUE(fs::exists(hubMapping));
    EXPECT_EQ(TilesShowing(kTileInfo), 23);
    EXPECT_EQ(TilesShowing(kTileFail), 1);
    Choose(Page().MapCombo(), "Default");
    EXPECT_EQ(StationKey("General Info", "MapType"), "0");
    ASSERT_TRUE(RunsEnd());
    ExpectTiles({{19, kTileFail}}, kTileInfo);
}

TEST_F(MainWindowOnDemoStation, ADrivePulledDuringARunGoesGreyAndIsIdentifiedWhenPluggedAgain) {
    SlowDrives({5}, 250);
    Open();
    Refresh();
    sim::StationDescription description;
    ASSERT_TRUE(sim::LoadStationDescription(Folder() / "Sim/station.txt", description).ok());
    Click(Page().StartButton());
    ASSERT_TRUE(TileShows(5, kTileRunning));
    ASSERT_TRUE(sim::UnplugDrive(description, Folder() / "Sim/root", Folder() / "Sim", "5").ok());
    // The watcher reports the removal: the port has no drive, its tile is
    // grey; only a verdict the run took before the removal reached the page
    // may still come after it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Engine().devices.portDriveNumber[4] == 0; }, kRunMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Tile(5).Shown().kind == kTileIdle || Engine().portAction[4].load() == PORT_DONE; },
        kRunMs))
        << Tile(5).Shown().statusText;
    ASSERT_TRUE(RunsEnd());
    // Whatever the station made of the pulled drive's run, the tile shows it,
    // and the other ports ran on.
    ExpectTiles({{5, kAsTheEngineSays}, {10, kTileFail}, {19, kTileFail}}, kTilePass);

    ASSERT_TRUE(sim::PlugDrive(description, Folder() / "Sim/root", Folder() / "Sim", "5").ok());
    ASSERT_TRUE(TileShows(5, kTileInfo));
    ASSERT_TRUE(RunsEnd());
    EXPECT_EQ(Engine().portAction[4].load(), PORT_READY);
    EXPECT_EQ(Tile(4).Shown().kind, kTilePass); // the others keep their verdicts
}

TEST_F(MainWindowOnDemoStation, AMissingStationFileStopsStartAndTileClicks) {
    Open();
    Refresh();
    QSignalSpy messages(&Page(), &CVarnetToolDlg::OperatorMessage);
    fs::remove(Folder() / "04_MP.ini");
    Click(Page().StartButton());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.takeFirst().at(0).toString(), "Get parameter error!");
    auto* box = Page().findChild<QMessageBox*>("operatorMessage");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), "Get parameter error!");
    box->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(Page().StartButton()->isEnabled());
    EXPECT_TRUE(Page().RefreshButton()->isEnabled());
    Click(Tile(1).Button());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.takeFirst().at(0).toString(), "Get parameter error!");
    EXPECT_FALSE(Engine().PortRunsActive());
    EXPECT_EQ(Engine().portAction[0].load(), PORT_READY);
}

TEST_F(MainWindowOnDemoStation, ClosingWhileRunningLetsTheRunsEndThenShutsDown) {
    // Slow enough that the runs are still going when the window is closed,
    // even where the interface thread gets no time for a second or more (the
    // sanitizer tree beside other whole-program tests): at 250 ms a call,
    // port 1's run could end before its tile was ever seen running.
    SlowDrives({1, 2, 3}, 1000);
    Open();
    Refresh();
    Click(Page().StartButton());
    ASSERT_TRUE(TileShows(1, kTileRunning));

    AnswerNextQuestion(QMessageBox::No);
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->IsWaitingForRuns());

    AnswerNextQuestion(QMessageBox::Yes);
    EXPECT_FALSE(window_->close());
    ASSERT_TRUE(window_->IsWaitingForRuns());
    EXPECT_TRUE(Engine().PortRunsActive());
    EXPECT_FALSE(Page().StartButton()->isEnabled());
    EXPECT_FALSE(Page().RefreshButton()->isEnabled());
    // The window lives on, its tiles updating, until the last run ends.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window_->isVisible(); }, kRunMs));
    EXPECT_TRUE(window_->IsShutDown());
    QCoreApplication::processEvents();
    for (int port = 1; port <= 24; ++port)
        EXPECT_EQ(Engine().portAction[static_cast<size_t>(port - 1)].load(), PORT_DONE) << port;
    ExpectTiles({{10, kTileFail}, {19, kTileFail}}, kTilePass);
    // Every run numbered its drive, and the close advanced the number once more.
    EXPECT_EQ(StationKey("SN Set", "SN_Start"), "VN2612000024");
    // Ended runs never enable a closing page's controls again.
    EXPECT_FALSE(Page().StartButton()->isEnabled());
    EXPECT_FALSE(Page().RefreshButton()->isEnabled());
}

TEST_F(MainWindowOnDemoStation, RdtInfoShowsABurnInFailureWhereItIs) {
    Open();
    Refresh();
    // Burn-in start, then the collection: drive 14 grows 160 later bad
    // blocks, all on CE 5.
    for (const char* station : {"02_RDT.ini", "03_RDTResult.ini"}) {
        Click(Page().LockCurrentBox());
        Choose(Page().ConfigurationCombo(), station);
        Click(Page().LockCurrentBox());
        Click(Page().StartButton());
        ASSERT_TRUE(RunsEnd()) << station;
        if (std::string(station) == "02_RDT.ini")
            Refresh();
    }
    ASSERT_EQ(Engine().tiles.State(13).kind, kTileFail) << Engine().tiles.State(13).statusText;

    ASSERT_TRUE(window_->Sheet()->ActivatePage(CMainWndSheet::kRdtInfoPage));
    CRDTResultDlg* rdt = window_->RdtInfoPage();
    ASSERT_NE(rdt, nullptr);
    // Coming up, the page shows its empty state first; then the operator
    // picks port 14.
    ASSERT_TRUE(QTest::qWaitFor([&] { return rdt->PortList()->count() > 13 && !rdt->IsBusy(); }, kRunMs));
    QSignalSpy loaded(rdt, &CResultPage::LoadFinished);
    rdt->SelectPort(13);
    // (The empty state's own notice may still be on its way.)
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !loaded.isEmpty() && loaded.last().first().toInt() == 13; }, kRunMs));

    // Every crossed, red die row is one of CE 5's; there is at least one.
    GridWidget* die = rdt->DieGrid();
    int crossed = 0;
    for (int row = 1; row < die->GetRowCount(); ++row) {
        const GridCell cell = die->GetCell(row, 0);
        if (!cell.crossed)
            continue;
        ++crossed;
        EXPECT_EQ(cell.bkColor, QColor(255, 0, 0)) << row;
        EXPECT_EQ(die->GetCell(row, 0).text, "5") << row;
    }
    EXPECT_GT(crossed, 0);

    // The fail list is the report's, line for line.
    const BadBlockList& list = Engine().badBlockList[13];
    GridWidget* fails = rdt->FailGrid();
    ASSERT_FALSE(list.empty());
    ASSERT_GE(fails->GetRowCount() - 1, static_cast<int>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        EXPECT_EQ(fails->GetCell(row, 1).text.toStdString(), std::string(FieldText(list[i].label))) << row;
        EXPECT_EQ(fails->GetCell(row, 3).text.toInt(), list[i].ce) << row;
    }
}

} // namespace
} // namespace varnet::ui

namespace varnet::ui {
namespace {

class YieldTabOnDemoStation : public DemoStationWindowTest {};

// The fifth page reads the station's results store and is never locked: a
// line manager may look while ports run.
TEST_F(YieldTabOnDemoStation, TheYieldPageFollowsBadBlockInfoAndOpensWhilePortsRun) {
    StartWindow();
    CMainWndSheet& sheet = *window_->findChild<CMainWndSheet*>();
    ASSERT_NE(window_->YieldPage(), nullptr);
    EXPECT_EQ(sheet.Page(CMainWndSheet::kYieldPage), window_->YieldPage());
    EXPECT_EQ(sheet.Tabs()->tabText(CMainWndSheet::kYieldPage), "Yield");
    PageLockBits().fetch_or(kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage);
    EXPECT_TRUE(sheet.ActivatePage(CMainWndSheet::kYieldPage));
    PageLockBits().store(0);
}

} // namespace
} // namespace varnet::ui

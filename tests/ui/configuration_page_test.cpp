// The "Configuration" tab of the window on the simulated demo station: what
// activating it loads, how a save on it reaches the station file and the
// Main page's current-setting box, and Detect reading the flash IDs of the
// first drive through the device library.
#include "demo_station.h"
#include "demo_station_window.h"
#include "engine/main_page.h"
#include "operator_choice.h"
#include "platform/ini_file.h"
#include "platform/wait_pumping.h"
#include "temp_dir.h"
#include "ui/gui_thread.h"
#include "ui/main/main_wnd_dlg.h"
#include "ui/main/main_wnd_sheet.h"
#include "ui/main/varnet_tool_dlg.h"
#include "ui/pages/rdt_result_dlg.h"
#include "ui/settings/password_dlg.h"
#include "ui/settings/setting_detect.h"
#include "ui/settings/setting_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>

#include "qt_print.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace varnet::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 20000; // bound for a library call on a slow machine

class ConfigurationPageOnDemoStation : public DemoStationWindowTest {
protected:
    // Every simulated drive without a CE count of its own gets `ces` chip enables.
    void DrivesWithCes(int ces) {
        AddToDrives(
            [](const std::string& line) {
                return line.find("flash=") != std::string::npos && line.find(" ce=") == std::string::npos;
            },
            "ce=" + std::to_string(ces));
    }

    // The window on the demo station with `stationFile` chosen on Main.
    void Open(const QString& stationFile) {
        StartWindow();
        ChooseOnMain(stationFile);
    }

    // The window in the given language, as the program starts it.
    void StartWindowIn(int uiLanguage) {
        window_ = std::make_unique<CMainWndDlg>(uiLanguage);
        StationStartOptions options;
        options.appDir = Folder() / "";
        options.deviceRoot = Folder() / "Sim/root";
        options.hostProgram = HostProgram();
        QString fatal, detail;
        ASSERT_TRUE(window_->Start(options, fatal, detail)) << fatal.toStdString() << detail.toStdString();
        window_->show();
    }

    void ChooseOnMain(const QString& stationFile) {
        QComboBox* combo = Main().ConfigurationCombo();
        // LockCurrent holds the list until the operator lets go of it.
        Main().LockCurrentBox()->click();
        const int index = combo->findText(stationFile);
        ASSERT_GE(index, 0) << stationFile.toStdString();
        test::ChooseEntry(combo, index);
        Main().LockCurrentBox()->click();
    }

    CVarnetToolDlg& Main() const { return *window_->MainPage(); }
    CSettingDlg& Settings() const { return *window_->SettingPage(); }
    CMainWndSheet& Sheet() const { return *window_->Sheet(); }

    // Switches tabs and lets the page-activated notice be carried out.
    bool Activate(int page) {
        QSignalSpy activated(&Sheet(), &CMainWndSheet::PageActivated);
        return Sheet().ActivatePage(page) && activated.wait(kWaitMs) &&
               activated.takeFirst().at(0).toInt() == page;
    }

    // Edit with the password taken as given.
    void Unlock() {
        Settings().Hooks().unlock = [] { return true; };
        Settings().Controls().edit->click();
    }

    std::string Key(const char* file, const char* section, const char* key) const {
        return IniGetString(Folder() / file, section, key, "", 64);
    }
};

TEST_F(ConfigurationPageOnDemoStation, TheTabEditsTheStationFileChosenOnMain) {
    ASSERT_TRUE(IniWriteString(Folder() / "06_ICT.ini", "General Info", "WorkingNo", "ICT-LINE-7").ok());
    Open("06_ICT.ini");
    ASSERT_EQ(Sheet().Page(CMainWndSheet::kConfigurationPage), &Settings());
    // Nothing is loaded before the operator looks at the tab.
    EXPECT_FALSE(Settings().PageInitialised());

    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));

    EXPECT_EQ(Settings().StationFile(), Folder() / "06_ICT.ini");
    EXPECT_EQ(Settings().PageTitle(), "MP Setting (06_ICT.ini)");
    EXPECT_EQ(Settings().Controls().workingNo->text(), "ICT-LINE-7");
    EXPECT_EQ(Settings().Controls().modelName->text(), "VARNET SSD 256GB");
    EXPECT_EQ(Settings().TestStationList()->currentIndex(), 5);
    EXPECT_EQ(Settings().Controls().serialNum->text(), "VN2612000001");
    // The window's station stands behind the page: its flash database fills
    // the flash list, and no run holds Edit back.
    EXPECT_GT(Settings().Controls().flashConfig->count(), 0);
    EXPECT_TRUE(Settings().Controls().edit->isEnabled());
    EXPECT_FALSE(Settings().EditMode());
}

TEST_F(ConfigurationPageOnDemoStation, ASavedModelNameReachesTheFileAndMainAfterSwitchingBack) {
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    Unlock();
    ASSERT_TRUE(Settings().EditMode());
    // While the page is being edited the Main page refuses to come back.
    EXPECT_FALSE(Sheet().ActivatePage(CMainWndSheet::kMainPage));

    QLineEdit* modelName = Settings().Controls().modelName;
    modelName->selectAll();
    QTest::keyClicks(modelName, "VARNET PRO 512GB");
    Settings().Controls().save->click();

    EXPECT_EQ(Key("04_MP.ini", "General Info", "ModelName"), "VARNET PRO 512GB");
    EXPECT_FALSE(Settings().EditMode());
    // Main shows the new name only once the operator is back on it.
    EXPECT_EQ(Main().SettingValueText(145), "VARNET SSD 256GB");
    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    EXPECT_EQ(Main().SettingValueText(145), "VARNET PRO 512GB");

    // A second visit without a save leaves the box as it is.
    Main().View()->ShowCurrentSetting(CurrentSetting{}, 0);
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    EXPECT_EQ(Settings().Controls().modelName->text(), "VARNET PRO 512GB"); // reloaded after the save
    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    EXPECT_EQ(Main().SettingValueText(145), "");
}

// The demo's station files are what the editor writes: saving one untouched
// changes nothing in it.
TEST_F(ConfigurationPageOnDemoStation, SavingADemoStationFileUntouchedChangesNoByte) {
    StartWindow();
    bool onMain = true;
    for (const char* file : {"01_EraseAll.ini", "02_RDT.ini", "03_RDTResult.ini", "04_MP.ini", "05_ReMP.ini",
                             "06_ICT.ini", "07_UpdateFW.ini", "08_ScanBad.ini"}) {
        SCOPED_TRACE(file);
        const std::string before = test::ReadText(Folder() / file);
        ASSERT_TRUE(std::exchange(onMain, false) || Activate(CMainWndSheet::kMainPage));
        ChooseOnMain(QString::fromUtf8(file));
        ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
        Unlock();
        ASSERT_TRUE(Settings().EditMode());
        Settings().Controls().save->click();
        ASSERT_FALSE(Settings().EditMode());
        EXPECT_EQ(test::ReadText(Folder() / file), before);
    }
}

TEST_F(ConfigurationPageOnDemoStation, WithoutAPasswordLeavingSavesAndMainFollowsAMomentLater) {
    ASSERT_TRUE(IniWriteString(Folder() / "Debug.txt", "Options", "NoPassword", "1").ok());
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    ASSERT_TRUE(Settings().EditMode()) << "editable without Edit";
    QLineEdit* modelName = Settings().Controls().modelName;
    ASSERT_TRUE(modelName->isEnabled());
    modelName->selectAll();
    QTest::keyClicks(modelName, "NO PASSWORD LINE");

    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    EXPECT_EQ(Key("04_MP.ini", "General Info", "ModelName"), "NO PASSWORD LINE") << "saved on leaving";
    EXPECT_TRUE(Settings().EditMode()) << "and still editable";
    EXPECT_EQ(Main().SettingValueText(145), "VARNET SSD 256GB")
        << "the box follows after the save has settled";
    EXPECT_TRUE(QTest::qWaitFor([&] { return Main().SettingValueText(145) == "NO PASSWORD LINE"; }, kWaitMs));
}

// The operator's whole errand: the demo password at the real dialog, another
// station, a changed order number, Save, and Main showing both.
TEST_F(ConfigurationPageOnDemoStation, TheDemoPasswordUnlocksAndMainFollowsTheSavedStation) {
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    bool typed = false;
    // The dialog runs modally inside Edit's click; the operator answers it.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CPasswordDlg*>(QApplication::activeModalWidget());
        if (!dialog || typed)
            return;
        typed = true;
        QTest::keyClicks(dialog->PasswordField(), QString::fromUtf8(kDemoSettingsPassword));
        dialog->OkButton()->click();
    });
    answer.start(10);
    Settings().Controls().edit->click();
    answer.stop();
    ASSERT_TRUE(typed) << "no password dialog came up";
    ASSERT_TRUE(Settings().EditMode());

    QComboBox* stations = Settings().TestStationList();
    test::ChooseEntry(stations, kStationReMp);
    QLineEdit* order = Settings().Controls().workingNo;
    order->selectAll();
    QTest::keyClicks(order, "REMP-LINE-2");
    Settings().Controls().save->click();

    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    EXPECT_EQ(Main().SettingValueText(139), "05_ReMP");
    EXPECT_EQ(Main().SettingValueText(144), "REMP-LINE-2");
    EXPECT_EQ(Key("04_MP.ini", "General Info", "TestStationSel"), "4");
}

TEST_F(ConfigurationPageOnDemoStation, DetectTakesTheCeCountFromTheFirstDrive) {
    DrivesWithCes(6);
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    QSignalSpy told(&Main(), &CVarnetToolDlg::OperatorMessage);
    Unlock();
    auto* detect = Settings().Controls().detect;
    ASSERT_TRUE(detect->isEnabled());
    auto* flashList = Settings().Controls().flashConfig;

    detect->click();
    // The answer comes later, from the readout's worker.
    EXPECT_FALSE(detect->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return detect->isEnabled(); }, kWaitMs));
    flashList->hidePopup();

    EXPECT_EQ(told.count(), 0) << told.value(0).value(0).toString().toStdString();
    EXPECT_EQ(Settings().Record().Flh_Number, 6u);
    EXPECT_EQ(Settings().Record().CE_Mask, 0x3Fu);
    EXPECT_EQ(Key("04_MP.ini", "Flash Info", "CE_Mask"), "63");
    ASSERT_EQ(flashList->count(), 1);
    EXPECT_TRUE(flashList->itemText(0).startsWith("98 3C 98 B3 76 72-"))
        << flashList->itemText(0).toStdString();
    // The port read is left done, its identify record untouched.
    const MainPage& engine = *Main().Page();
    EXPECT_EQ(engine.portAction[0].load(), PORT_DONE);
    EXPECT_EQ(engine.portResult[0].flashCount, 0);
}

TEST_F(ConfigurationPageOnDemoStation, DetectWithoutADriveSaysSo) {
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    // The station computer shows no USB device and no disk any more.
    fs::remove_all(Folder() / "Sim/root/sys");
    QSignalSpy told(&Main(), &CVarnetToolDlg::OperatorMessage);
    Unlock();
    auto* detect = Settings().Controls().detect;
    ASSERT_TRUE(detect->isEnabled());

    detect->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return detect->isEnabled(); }, kWaitMs));

    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told.value(0).value(0).toString(), "Detect Fail!");
    EXPECT_EQ(Key("04_MP.ini", "Flash Info", "CE_Mask"), "");
}

// The placeholder the page starts on is never written: leaving for Main
// under NoPassword before the tab was ever opened saves nothing, and Main's
// list of station files gains no "Param.ini".
TEST_F(ConfigurationPageOnDemoStation, WithoutAPasswordAPageNeverOpenedWritesNoPlaceholder) {
    ASSERT_TRUE(IniWriteString(Folder() / "Debug.txt", "Options", "NoPassword", "1").ok());
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kRdtInfoPage));
    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    QCoreApplication::processEvents();
    EXPECT_FALSE(fs::exists(Folder() / "Param.ini"));
    EXPECT_FALSE(fs::exists(Folder() / "Config/Param_Com.cfg"));
    EXPECT_EQ(Main().ConfigurationCombo()->findText("Param.ini"), -1);
    EXPECT_TRUE(Settings().StationFile().empty());
}

// A result page collecting a port holds Configuration as every run does:
// the save of leaving the page under NoPassword clears only the edit's own
// bits, and Configuration stays refused until the collection is over.
TEST_F(ConfigurationPageOnDemoStation, WithoutAPasswordLeavingWhileAPageCollectsKeepsConfigurationRefused) {
    ASSERT_TRUE(IniWriteString(Folder() / "Debug.txt", "Options", "NoPassword", "1").ok());
    // Reading a burn-in log takes a while: long enough to leave the page meanwhile.
    AddToDrives([](const std::string& line) { return line.find("flash") != std::string::npos; },
                "fault=delay:Read_RDT_Bad_Log:4000 fault=delay:Read_RDT_Log:4000");
    Open("04_MP.ini");
    MainPage& engine = *Main().Page();
    engine.Refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.PortRunsActive(); }, kWaitMs));
    // The first identified port: it holds no burn-in result yet.
    int port = 0;
    while (port < kPortCount && engine.portResult[static_cast<size_t>(port)].deviceValid != 1)
        ++port;
    ASSERT_LT(port, kPortCount);
    ASSERT_EQ(engine.portResult[static_cast<size_t>(port)].badBlockLoaded, 0);
    CRDTResultDlg& rdtInfo = *window_->RdtInfoPage();
    ASSERT_TRUE(Activate(CMainWndSheet::kRdtInfoPage));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rdtInfo.IsBusy(); }, kWaitMs));
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    QLineEdit* modelName = Settings().Controls().modelName;
    modelName->selectAll();
    QTest::keyClicks(modelName, "SAVED MID COLLECTION");

    rdtInfo.SelectPort(port); // the page runs its station on the port
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (PageLockBits().load() & kLockConfigurationPage) != 0; }, kWaitMs));
    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    EXPECT_EQ(Key("04_MP.ini", "General Info", "ModelName"), "SAVED MID COLLECTION") << "saved on leaving";
    EXPECT_NE(PageLockBits().load() & kLockConfigurationPage, 0u);
    EXPECT_FALSE(Sheet().ActivatePage(CMainWndSheet::kConfigurationPage));
    ASSERT_TRUE(rdtInfo.IsBusy()) << "the collection ended before the checks: it must take longer";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !rdtInfo.IsBusy() && !engine.PortRunsActive(); }, kWaitMs));
    EXPECT_EQ(PageLockBits().load() & kLockConfigurationPage, 0u);
    EXPECT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
}

// After Main switches to another file, the tab shows and edits that file,
// and names it.
TEST_F(ConfigurationPageOnDemoStation, TheTabFollowsAnotherFileChosenOnMain) {
    ASSERT_TRUE(IniWriteString(Folder() / "06_ICT.ini", "General Info", "WorkingNo", "ICT-LINE-7").ok());
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    EXPECT_EQ(Settings().Controls().fileName->text(), "MP Setting (04_MP.ini)");
    ASSERT_TRUE(Activate(CMainWndSheet::kMainPage));
    ChooseOnMain("06_ICT.ini");

    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    EXPECT_EQ(Settings().StationFile(), Folder() / "06_ICT.ini");
    EXPECT_EQ(Settings().Controls().workingNo->text(), "ICT-LINE-7");
    EXPECT_EQ(Settings().Controls().fileName->text(), "MP Setting (06_ICT.ini)");
    EXPECT_TRUE(Settings().Controls().fileName->isVisible());
}

// Ports still identifying, or a readout of the first drive still going,
// hold Detect back with a message of their own.
TEST_F(ConfigurationPageOnDemoStation, DetectWhileDrivesAreBusySaysWhy) {
    Open("04_MP.ini");
    ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
    QSignalSpy told(&Main(), &CVarnetToolDlg::OperatorMessage);
    Unlock();
    QPushButton* detect = Settings().Controls().detect;
    MainPage& engine = *Main().Page();

    engine.Refresh();
    ASSERT_TRUE(engine.PortRunsActive());
    detect->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return detect->isEnabled(); }, kWaitMs));
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told.takeFirst().value(0).toString(),
              "Detect Fail: ports are running. Detect again when every port is idle.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.PortRunsActive(); }, kWaitMs));

    detect->click();
    Settings().OnDetect(); // a second Detect before the first has answered
    ASSERT_TRUE(QTest::qWaitFor([&] { return Settings().Controls().flashConfig->count() == 1; }, kWaitMs));
    Settings().Controls().flashConfig->hidePopup();
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told.takeFirst().value(0).toString(),
              "Detect Fail: the flash IDs of a drive are being read already.");
}

// A readout the query refuses after the page's own checks is answered with
// what refused it, read as it refused: a run that began, another readout
// that began; the program quitting during the wait for the run start is the
// one refusal nothing is told of.
TEST_F(ConfigurationPageOnDemoStation, AReadoutRefusedAfterTheChecksIsAnsweredWithWhatRefusedIt) {
    Open("04_MP.ini");
    MainPage& engine = *Main().Page();
    FlashIdQuery query(engine);
    bool quitting = false;
    struct Case {
        const char* name;
        StartFlashIdReadout start;
        DetectAnswer::Outcome expected;
    };
    const Case cases[] = {
        {"a run began",
         [&](FlashIdQuery::Done done) {
             engine.Refresh();
             return query.Start(std::move(done));
         },
         DetectAnswer::kPortsRunning},
        {"another readout began",
         [&](FlashIdQuery::Done done) {
             query.Start([](std::optional<FlashIdTable>) {});
             return query.Start(std::move(done));
         },
         DetectAnswer::kReadoutUnderWay},
        {"the program quit while the readout waited for the run start",
         [&](FlashIdQuery::Done done) {
             // The window's event pump gives up as the application quits.
             InstallEventPump(std::this_thread::get_id(), [&] {
                 quitting = true;
                 return false;
             });
             const std::optional<int> port = query.Start(std::move(done));
             InstallGuiEventPump();
             return port;
         },
         DetectAnswer::kQuitting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.PortRunsActive() && !query.Busy(); }, kWaitMs));
        quitting = false;
        QObject receiver;
        std::optional<DetectAnswer::Outcome> answered;
        ReadFlashIdsForDetect(
            &query, engine, [&] { return quitting; }, &receiver,
            [&](const DetectAnswer& answer) { answered = answer.outcome; }, c.start);
        EXPECT_FALSE(answered) << "answered later, never from inside the call";
        ASSERT_TRUE(QTest::qWaitFor([&] { return answered.has_value(); }, kWaitMs));
        EXPECT_EQ(*answered, c.expected);
    }
    query.Wait();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine.PortRunsActive(); }, kWaitMs));
}

// Horizontal room for a text in a list's shown entry or a field's text.
int TextRoom(QComboBox* list) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    return list->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
        .width();
}
int TextRoom(QLineEdit* field) {
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QMargins margins = field->textMargins();
    constexpr int kLineEditMargin = 2; // the line edit's own inner margin on each side
    return field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field).width() -
           margins.left() - margins.right() - 2 * kLineEditMargin;
}

// At the window's own size, in both languages and for every station, the
// texts that used to be cut are shown whole: each flash label, each pretest
// entry, and serial numbers and masks of the greatest length.
TEST_F(ConfigurationPageOnDemoStation, LongTextsFitAtTheWindowsSize) {
    for (const int uiLanguage : {0, 1}) {
        StartWindowIn(uiLanguage);
        ChooseOnMain("04_MP.ini");
        ASSERT_TRUE(Activate(CMainWndSheet::kConfigurationPage));
        Unlock();
        const SettingControls& c = Settings().Controls();
        ASSERT_GT(c.flashConfig->count(), 0);
        for (int station = 0; station < kStationCount; ++station) {
            test::ChooseEntry(c.testStation, station);
            QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            const std::string label =
                "language " + std::to_string(uiLanguage) + " station " + std::to_string(station + 1);
            const auto everyEntryWhole = [&](QComboBox* list) {
                for (int i = 0; i < list->count(); ++i)
                    EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)), TextRoom(list))
                        << label << " " << list->itemText(i).toStdString();
            };
            // Nothing is squeezed below its own size or cut at the page's edge.
            const QSize needed = Settings().minimumSizeHint();
            EXPECT_LE(needed.width(), Settings().width()) << label;
            EXPECT_LE(needed.height(), Settings().height()) << label;
            everyEntryWhole(c.flashConfig);
            if (c.pretest->isVisible())
                everyEntryWhole(c.pretest);
            // The longest number the fields take, led by wide capitals.
            const QString longest = QStringLiteral("WWMM").leftJustified(kSnLenMax, QLatin1Char('#'));
            const auto holdsTheLongest = [&](QLineEdit* field, const char* name) {
                EXPECT_LE(field->fontMetrics().horizontalAdvance(longest), TextRoom(field))
                    << label << " " << name;
            };
            holdsTheLongest(c.serialNum, "Start SN");
            if (c.snGroup->isVisible()) {
                holdsTheLongest(c.snFields[0], "SN Start");
                holdsTheLongest(c.snFields[1], "SN End");
                holdsTheLongest(c.snFields[2], "SN Mask");
            }
        }
        PageLockBits().store(0);
        window_.reset();
    }
}

} // namespace
} // namespace varnet::ui

// The runner and run control over a scripted page: which ports a command
// starts, the codes they end in, the run clock, the page locks and the
// control states, the device watcher's arrivals and removals.
#include "config/station_file.h"
#include "engine/run_record_outputs.h"
#include "fake_device_tree.h"
#include "station_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnet::test {
namespace {

std::atomic<int> stepsRun{0};

PortOutcome PassingStep(PortContext& context) {
    ++stepsRun;
    context.tile.SetProgress(100);
    context.tile.SetStatus("Pass!", kTilePass, context.env.tileFontSize, true);
    context.action.store(PORT_DONE);
    return {};
}

PortOutcome IdentifyingStep(PortContext& context) {
    ++stepsRun;
    context.result.deviceValid = 1;
    context.action.store(PORT_READY);
    PortOutcome outcome;
    outcome.identified = true;
    return outcome;
}

PortOutcome ThrowingStep(PortContext&) {
    throw std::runtime_error("the bridge went away");
}

PortSteps Steps() {
    PortSteps steps;
    steps.identify = &IdentifyingStep;
    steps.eraseAll = &PassingStep;
    steps.mp = &PassingStep;
    steps.scanBad = &ThrowingStep;
    return steps;
}

class RunControl : public ::testing::Test {
protected:
    void SetUp() override {
        stepsRun = 0;
        PageLockBits().store(0);
    }
    StationFixture f{kStationEraseAll, {}, 0, Steps()};
    uint8_t Code(int port) const { return f.page->portAction[static_cast<size_t>(port)].load(); }

    // A page that scans the given device tree, with the fixture's library and view.
    std::unique_ptr<MainPage> PageOnTree(std::shared_ptr<FakeDeviceTree> tree, PortSteps steps = Steps()) {
        MainPageSetup setup;
        setup.appDir = f.dir.path() / "";
        setup.library = &f.library;
        setup.view = &f.view;
        setup.steps = steps;
        setup.deviceTree = [tree] { return SharedDeviceTree(tree); };
        return std::make_unique<MainPage>(std::move(setup));
    }
    // A tree with drive 7 on port 2 of a hub on root port 1.
    static std::shared_ptr<FakeDeviceTree> TreeWithDriveSeven() {
        auto tree = std::make_shared<FakeDeviceTree>();
        const DevNode hub = tree->AddHub(tree->Root(), 1, 0x2109, 0x2817, 4);
        tree->AddUsbDisk(hub, 2, 7);
        return tree;
    }
};

TEST_F(RunControl, RunPortRefusesInvalidDrivesAndUnknownCodes) {
    f.AttachDrive(0, /*valid=*/false);
    f.Run(0, PORT_ERASE_ALL);
    EXPECT_EQ(Code(0), PORT_DONE);
    EXPECT_EQ(f.Tile(0).statusText, "Device Invalid!");
    EXPECT_EQ(f.Tile(0).kind, kTileFail);

    f.AttachDrive(1);
    f.Run(1, 12);
    EXPECT_EQ(Code(1), PORT_IDLE);
    EXPECT_EQ(f.Tile(1).statusText, "Unknown Error");

    f.Run(5, PORT_ERASE_ALL); // no drive: nothing happens, the request stays
    EXPECT_EQ(Code(5), PORT_ERASE_ALL);
    EXPECT_EQ(stepsRun, 0);
    EXPECT_EQ(f.page->runningPorts.load(), 0);
}

TEST_F(RunControl, ATimedRunStartsTheClockAndLocksPagesUntilTheLastRunEnds) {
    f.AttachDrive(0);
    f.page->identifiedCount = 1;
    f.Run(0, PORT_ERASE_ALL);
    // The step has ended: everything a run starts is undone again.
    EXPECT_EQ(f.view.clock, "00:00:00");
    EXPECT_FALSE(f.view.TimerRunning(kClockTimer));
    EXPECT_EQ(PageLockBits().load(), 0u);
    EXPECT_EQ(f.page->runningPorts.load(), 0);
    EXPECT_EQ(f.page->portResult[0].portRunning, 0);
    // Code 16 leaves Start disabled and Refresh enabled.
    EXPECT_FALSE(f.view.Enabled(PageControl::Start));
    EXPECT_TRUE(f.view.Enabled(PageControl::Refresh));
}

TEST_F(RunControl, ARunEndedByAnExceptionStillDoesItsBookkeeping) {
    f.AttachDrive(3);
    f.page->identifiedCount = 1;
    f.page->portAction[3].store(PORT_SCAN_BAD);
    ASSERT_TRUE(f.page->StartPortJob(3, std::chrono::milliseconds(0)));
    f.page->WaitForPortRuns();
    EXPECT_EQ(f.page->runningPorts.load(), 0);
    EXPECT_EQ(f.page->portResult[3].portRunning, 0);
    EXPECT_EQ(PageLockBits().load(), 0u);
    EXPECT_FALSE(f.view.TimerRunning(kAnimationTimer));
    EXPECT_TRUE(f.view.Enabled(PageControl::Refresh));
    EXPECT_EQ(Code(3), PORT_DONE);
    EXPECT_EQ(f.Tile(3).kind, kTileFail);
}

TEST_F(RunControl, StartRunsReadyPortsBelowThePortCountOnly) {
    for (int p : {0, 1, 2, 9, 12})
        f.AttachDrive(p);
    f.page->portCount = 8;
    f.page->portAction[1].store(PORT_IDENTIFY); // busy: never restarted
    f.page->portAction[2].store(PORT_DONE);
    f.page->identifiedCount = 5;
    f.page->Start();
    f.page->WaitForPortRuns();
    EXPECT_EQ(stepsRun, 2);
    EXPECT_EQ(Code(0), PORT_DONE);
    EXPECT_EQ(Code(1), PORT_IDENTIFY);
    EXPECT_EQ(Code(2), PORT_DONE);
    EXPECT_EQ(Code(9), PORT_IDLE);
    EXPECT_TRUE(f.view.lockCurrent);

    // A tile click runs a port beyond the port count.
    f.page->ClickTile(12);
    f.page->WaitForPortRuns();
    EXPECT_EQ(Code(12), PORT_DONE);
    EXPECT_EQ(stepsRun, 3);
}

TEST_F(RunControl, StartWithoutAConfigurationOrStationStartsNothing) {
    f.AttachDrive(0);
    f.page->ChangeSettings([](PageSettings& s) { s.configurationText = "missing.ini"; });
    f.page->Start();
    ASSERT_EQ(f.view.messages.size(), 1u);
    EXPECT_EQ(f.view.messages[0], "Get parameter error!");
    EXPECT_FALSE(f.view.Enabled(PageControl::Start));
    EXPECT_TRUE(f.view.Enabled(PageControl::Refresh));
}

// A damaged selection must never fall back to station 0, which erases every
// drive it is given.
TEST_F(RunControl, AStationFileWithoutAValidSelectionIsRefusedByStartAndTileClicks) {
    struct Case {
        const char* label;
        std::string contents;
    };
    const std::vector<Case> cases = {
        {"empty file", ""},
        {"random bytes", std::string("\x93\x01\xfe\x00\x7f[\xc3=\n\x02\xaa", 12)},
        {"no key", "[General Info]\r\nWorkingNo=1\r\n"},
        {"empty value", "[General Info]\r\nTestStationSel=\r\n"},
        {"a word", "[General Info]\r\nTestStationSel=banana\r\n"},
        {"digits then text", "[General Info]\r\nTestStationSel=3x\r\n"},
        {"negative", "[General Info]\r\nTestStationSel=-1\r\n"},
        {"beyond the stations", "[General Info]\r\nTestStationSel=8\r\n"},
        {"wraps to a station as a byte", "[General Info]\r\nTestStationSel=259\r\n"},
        {"a long run of zeros", "[General Info]\r\nTestStationSel=" + std::string(40, '0') + "3\r\n"},
    };
    for (const Case& c : cases) {
        for (const int language : {0, 1}) {
            StationFixture damaged{kStationEraseAll, {}, language, Steps()};
            WriteText(damaged.StationFile(), c.contents);
            damaged.AttachDrive(0);
            damaged.page->identifiedCount = 1;
            stepsRun = 0;
            EXPECT_FALSE(damaged.page->Start()) << c.label;
            EXPECT_FALSE(damaged.page->ClickTile(0)) << c.label;
            damaged.page->WaitForPortRuns();
            EXPECT_EQ(stepsRun, 0) << c.label;
            EXPECT_EQ(damaged.page->portAction[0].load(), PORT_IDLE) << c.label;
            ASSERT_EQ(damaged.view.messages.size(), 2u) << c.label;
            const std::string& message = damaged.view.messages[0];
            EXPECT_NE(message.find("station.ini"), std::string::npos) << c.label << ": " << message;
            EXPECT_NE(message.find("TestStationSel"), std::string::npos) << c.label << ": " << message;
            EXPECT_EQ(message.find("站点编号") != std::string::npos, language == 1) << c.label;
            // The window can be used again: Refresh brings the port back.
            EXPECT_TRUE(damaged.view.Enabled(PageControl::Refresh)) << c.label;
        }
    }
}

std::atomic<int> requestRun{0};

PortOutcome RecordRequest(PortContext& context) {
    requestRun = context.action.load();
    context.action.store(PORT_DONE);
    return {};
}

TEST_F(RunControl, TheSelectionIsReadAsTheFileWritesIt) {
    struct Case {
        const char* value;
        uint8_t request;
    };
    PortSteps steps;
    for (PortStep* step : {&steps.eraseAll, &steps.rdtStart, &steps.rdtResult, &steps.mp, &steps.remp,
                           &steps.ict, &steps.updateFw, &steps.scanBad})
        *step = &RecordRequest;
    for (const Case& c : {Case{" 3 ", PORT_MP}, Case{"\"3\"", PORT_MP}, Case{"07", PORT_SCAN_BAD},
                          Case{"0", PORT_ERASE_ALL}, Case{"5", PORT_ICT}}) {
        StationFixture fixture{kStationEraseAll, {}, 0, steps};
        WriteText(fixture.StationFile(), std::string("[General Info]\r\nTestStationSel=") + c.value + "\r\n");
        fixture.AttachDrive(0);
        requestRun = -1;
        EXPECT_TRUE(fixture.page->ClickTile(0)) << c.value;
        fixture.page->WaitForPortRuns();
        EXPECT_TRUE(fixture.view.messages.empty()) << c.value;
        EXPECT_EQ(requestRun.load(), c.request) << c.value;
    }
}

TEST_F(RunControl, TwentyFourPortsRunAtOnceAndTheLastOneSetsTheControls) {
    for (int p = 0; p < 24; ++p)
        f.AttachDrive(p);
    f.page->portCount = 24;
    f.page->identifiedCount = 24;
    f.page->Start();
    f.page->WaitForPortRuns();
    EXPECT_EQ(stepsRun, 24);
    for (int p = 0; p < 24; ++p)
        EXPECT_EQ(Code(p), PORT_DONE) << p;
    EXPECT_EQ(f.page->runningPorts.load(), 0);
    EXPECT_EQ(PageLockBits().load(), 0u);
}

TEST_F(RunControl, RefreshScansIdentifiesAndRemovalFreesThePort) {
    const std::unique_ptr<MainPage> owned = PageOnTree(TreeWithDriveSeven());
    MainPage& page = *owned;
    page.tiles.SetTileStatus(5, "old verdict", kTilePass, 0, true);
    page.Refresh();
    page.WaitForPortRuns();
    EXPECT_EQ(page.devices.portDriveNumber[1], 7);
    EXPECT_EQ(page.portAction[1].load(), PORT_READY);
    EXPECT_EQ(page.identifiedCount.load(), 1);
    EXPECT_EQ(page.tiles.State(5).statusText, ""); // every tile reset
    EXPECT_TRUE(f.view.Enabled(PageControl::Start));

    page.tiles.SetTileStatus(1, "Name: x", kTileInfo, 0, false);
    page.OnDiskRemoval(FakeDeviceTree::DiskPath(7));
    EXPECT_EQ(page.devices.portDriveNumber[1], 0);
    EXPECT_EQ(page.tiles.State(1).statusText, "Name: x"); // kept, turned grey
    EXPECT_EQ(page.tiles.State(1).kind, kTileIdle);
    EXPECT_EQ(page.identifiedCount.load(), 0);
    EXPECT_EQ(page.portResult[1].deviceValid, 0);
    EXPECT_EQ(page.portAction[1].load(), PORT_READY); // the code stays

    // A request whose run never began, its drive gone first, holds the port
    // for nothing.
    page.portAction[1].store(PORT_ERASE_ALL);
    page.RunPort(1);
    // Back in the same socket: the arrival binds and identifies it again.
    page.OnDiskArrival(FakeDeviceTree::DiskPath(7));
    page.WaitForPortRuns();
    EXPECT_EQ(page.devices.portDriveNumber[1], 7);
    EXPECT_EQ(page.identifiedCount.load(), 1);
    EXPECT_EQ(page.portAction[1].load(), PORT_READY);
    // A card reader's arrival is not even looked at.
    page.OnDiskArrival("\\\\?\\usbstor#disk&card_reader#9");
    EXPECT_EQ(stepsRun, 2);
}

// The pulled drive's step, which goes on writing its record after the pull.
std::promise<void>* stepStarted = nullptr;
std::shared_future<void> drivePulled;
std::promise<void>* stepLooked = nullptr;
std::shared_future<void> runMayEnd;
int32_t driveSeenAfterPull = -1;

PortOutcome StepOutlivingItsDrive(PortContext& context) {
    stepStarted->set_value();
    drivePulled.wait();
    driveSeenAfterPull = context.Drive();
    stepLooked->set_value();
    runMayEnd.wait();
    context.result.failFlag = 1;
    context.result.stationName = "01_EraseAll";
    context.tile.SetStatus("Fail!", kTileIdle, 0, true);
    context.action.store(PORT_DONE);
    return {};
}

// A drive pulled while its run goes on: the worker sees the drive gone at
// once, but its record is reset only when the run lets go of it, never under
// the worker's hands; a drive plugged back meanwhile is bound, not identified.
TEST_F(RunControl, ADrivePulledDuringARunHasItsRecordResetWhenTheRunEnds) {
    PortSteps steps = Steps();
    steps.eraseAll = &StepOutlivingItsDrive;
    const std::unique_ptr<MainPage> owned = PageOnTree(TreeWithDriveSeven(), steps);
    MainPage& page = *owned;
    page.Refresh();
    page.WaitForPortRuns();
    ASSERT_EQ(page.devices.portDriveNumber[1], 7);

    std::promise<void> started;
    std::promise<void> pulled;
    std::promise<void> looked;
    std::promise<void> end;
    stepStarted = &started;
    drivePulled = pulled.get_future().share();
    stepLooked = &looked;
    runMayEnd = end.get_future().share();
    page.portAction[1].store(PORT_ERASE_ALL);
    ASSERT_TRUE(page.StartPortJob(1, std::chrono::milliseconds(0)));
    started.get_future().wait();
    page.OnDiskRemoval(FakeDeviceTree::DiskPath(7));
    EXPECT_EQ(page.portResult[1].deviceValid, 1) << "the run still holds the record";
    pulled.set_value();
    looked.get_future().wait();
    page.OnDiskArrival(FakeDeviceTree::DiskPath(7));
    EXPECT_EQ(page.portAction[1].load(), PORT_ERASE_ALL) << "the run keeps its port";
    end.set_value();
    page.WaitForPortRuns();

    EXPECT_EQ(driveSeenAfterPull, 0);
    EXPECT_EQ(page.portResult[1].deviceValid, 0);
    EXPECT_EQ(page.portResult[1].failFlag, 0);
    EXPECT_EQ(page.portResult[1].stationName, "");
    EXPECT_EQ(page.tiles.State(1).statusText, "Fail!");
    EXPECT_EQ(page.devices.portDriveNumber[1], 7) << "bound again, for the next Refresh to identify";
}

// A hot-plug identify runs while the configuration list and the port count
// are still usable: the operator may change either while the worker builds
// its run. The run reads the page's settings from the snapshot it took when
// it began (under ThreadSanitizer a worker reading the texts being rewritten
// is a reported race), and its record names one whole station file.
TEST_F(RunControl, ChangingTheConfigurationOrPortCountDuringAHotPlugIdentifyLeavesTheRunItsOwnSettings) {
    WriteText(f.dir / "other.ini", ReadText(f.StationFile()));
    class Names final : public RunRecordOutput {
    public:
        void RunStarted(const PortRunRecord&) override {}
        void RunFinished(const PortRunRecord& record) override {
            std::lock_guard lock(mutex);
            files.push_back(record.stationFile);
        }
        std::mutex mutex;
        std::vector<std::string> files;
    };
    auto names = std::make_shared<Names>();
    RunRecordOutputs outputs;
    outputs.Add(names);
    auto tree = TreeWithDriveSeven();
    MainPageSetup setup;
    setup.appDir = f.dir.path() / "";
    setup.library = &f.library;
    setup.view = &f.view;
    setup.steps = Steps();
    setup.outputs = &outputs;
    setup.deviceTree = [tree] { return SharedDeviceTree(tree); };
    MainPage page(std::move(setup));
    page.ChangeConfiguration("station.ini");
    page.LayoutPorts();

    constexpr int kPlugs = 20;
    for (int i = 0; i < kPlugs; ++i) {
        page.OnDiskArrival(FakeDeviceTree::DiskPath(7));
        page.ChangeConfiguration(i % 2 ? "station.ini" : "other.ini");
        page.ChangePortCount(i % 2 ? 16 : 8);
        page.WaitForPortRuns();
        page.OnDiskRemoval(FakeDeviceTree::DiskPath(7));
    }
    ASSERT_TRUE(outputs.Close());
    ASSERT_EQ(names->files.size(), static_cast<size_t>(kPlugs));
    for (const std::string& file : names->files)
        EXPECT_TRUE(file == "station.ini" || file == "other.ini") << file;
}

// A name that is no station file (a mistyped --config, a file removed
// meanwhile) never becomes one: neither the page's own writes nor the
// serial-number advance of the close create it.
TEST_F(RunControl, NoPageCommandOrSerialNumberWriteCreatesAMissingStationFile) {
    WriteText(f.StationFile(), ReadText(f.StationFile()) + "[SN Set]\r\nSN_Set=1\r\nSN_Type=0\r\n");
    MainPage& page = *f.page;
    page.ChangeConfiguration("station.ini");
    page.ChangeConfiguration("99_Nope.ini");
    page.ChangePortCount(8);
    page.ChangeMap(1);
    page.ChangeSlcBuffer("4GB");
    page.WaitForPortRuns();
    page.AdvanceSerialNumberOnClose();
    EXPECT_FALSE(std::filesystem::exists(f.dir / "99_Nope.ini"));
    const Status written = WriteSerialNumberKeys(f.dir / "99_Nope.ini", "VN2612000002");
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.message().find("does not exist"), std::string::npos) << written.message();
    EXPECT_FALSE(std::filesystem::exists(f.dir / "99_Nope.ini"));
}

TEST_F(RunControl, RefreshTellsTheOperatorWhyNoDiskCouldBeBound) {
    auto tree = std::make_shared<FakeDeviceTree>();
    tree->SetScanProblem("no disk is bound: the mount table R/proc/self/mountinfo is missing");
    const std::unique_ptr<MainPage> owned = PageOnTree(tree);
    MainPage& page = *owned;
    page.Refresh();
    page.WaitForPortRuns();
    ASSERT_EQ(f.view.messages.size(), 1u);
    EXPECT_EQ(f.view.messages[0], "no disk is bound: the mount table R/proc/self/mountinfo is missing");
    // An arrival scans again, quietly.
    page.OnDiskArrival(FakeDeviceTree::DiskPath(7));
    EXPECT_EQ(f.view.messages.size(), 1u);
}

TEST_F(RunControl, TheAnimationRotatesDotsAndLeavesFinishedTilesAlone) {
    for (int p = 0; p < 3; ++p) {
        f.AttachDrive(p);
        f.page->portAction[static_cast<size_t>(p)].store(PORT_MP);
    }
    f.page->tiles.SetProgress(2, 100);
    f.page->tiles.SetTileStatus(2, "Pass!", kTilePass, 0, true);
    f.page->runningTicks = 0;
    f.page->OnTimer(kAnimationTimer);
    EXPECT_EQ(f.Tile(0).statusText, "Running..");
    EXPECT_EQ(f.Tile(1).statusText, "Running...");
    EXPECT_EQ(f.Tile(2).statusText, "Pass!");
    EXPECT_EQ(f.Tile(0).kind, kTileRunning);
    EXPECT_FALSE(f.view.TimerRunning(kAnimationTimer)); // nothing runs: not re-armed

    f.page->elapsedSeconds = 3599;
    f.page->runningPorts = 1;
    f.page->OnTimer(kClockTimer);
    EXPECT_EQ(f.view.clock, "01:00:00");
    EXPECT_TRUE(f.view.TimerRunning(kClockTimer));
    f.page->runningPorts = 0;
}

} // namespace
} // namespace varnet::test

// Serial numbers while the operator clicks tiles during a batch: the demo
// station's 04_MP over its simulated drives, the library in the program's
// process and answering at once, batch after batch with a tile click at a
// moment drawn at random (after some of the batch's runs have ended), and
// the numbers read back from the run journal. No number may be handed out
// twice: Auto++ across the whole program run (and the station file then names
// the number after the highest one, advanced once more by the close), Random
// between one start of all ports and the next.
#include "engine/station_startup.h"
#include "platform/ini_file.h"
#include "results/journal_reader.h"
#include "results/station_outputs.h"
#include "serial/serial_allocator.h"
#include "shell_command.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <sstream>

namespace varnet {
namespace {

namespace fs = std::filesystem;

// The page as the window thread would serve it: the serial-number notice is
// taken up by the test's own loop, everything else has nothing to show.
class QuietPageView final : public PageView {
public:
    void EnableControl(PageControl, bool) override {}
    bool IsLockCurrentChecked() override { return lockCurrent_.load(); }
    void SetLockCurrentChecked(bool checked) override { lockCurrent_.store(checked); }
    void SetRunClockText(std::string_view) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    void ShowMessage(std::string_view text) override {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(text);
    }
    void PostSerialNumberChanged() override { serialChanged_.store(true); }
    void ShowSerialNumber(std::string_view) override {}

    bool TakeSerialNumberChanged() { return serialChanged_.exchange(false); }
    std::vector<std::string> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::atomic<bool> lockCurrent_{false};
    std::atomic<bool> serialChanged_{false};
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

// Counts the runs that have ended, so the test can click after a chosen
// number of them.
class EndedRuns final : public RunRecordOutput {
public:
    void RunStarted(const PortRunRecord&) override {}
    void RunFinished(const PortRunRecord&) override {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        ended_.notify_all();
    }
    size_t Count() {
        std::lock_guard lock(mutex_);
        return count_;
    }
    // Waits a moment for the next run to end (false: none did meanwhile).
    bool AwaitMore(size_t seen) {
        std::unique_lock lock(mutex_);
        return ended_.wait_for(lock, std::chrono::milliseconds(5), [&] { return count_ > seen; });
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    size_t count_ = 0;
};

struct NumberedRun {
    int batch = 0; // the start of all ports it belongs to
    int port = 0;
    std::string serial;
};

class SerialNumberRace : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "run through ctest";
        const fs::path tool = fs::path(binary) / "sim/varnet-sim";
        ASSERT_EQ(test::RunCommand(tool.string() + " demo --instant " + dir_.path().string()).exitCode, 0);
        test::WriteText(dir_ / "Config/VarnetTool.ini", "[Library]\r\nIsolation=InProcess\r\n");
        ASSERT_TRUE(IniWriteString(StationFile(), "SN Set", "SN_Set", "1").ok());
        ASSERT_TRUE(IniWriteInt(StationFile(), "SN Set", "SN_Type", GetParam()).ok());
        // The stand-in library keeps its drives under ./Sim/ of the working
        // folder, as the program makes its station folder.
        saved_ = fs::current_path();
        fs::current_path(dir_.path());
    }
    void TearDown() override {
        if (!saved_.empty())
            fs::current_path(saved_);
    }

    fs::path StationFile() const { return dir_ / "04_MP.ini"; }

    // Serves the page's notices until the condition holds or no run is left.
    void Serve(MainPage& page, EndedRuns& runs, const std::function<bool()>& done) {
        while (!done() && page.PortRunsActive()) {
            if (view_.TakeSerialNumberChanged())
                page.OnSerialNumberChanged();
            (void)runs.AwaitMore(runs.Count());
        }
        if (view_.TakeSerialNumberChanged())
            page.OnSerialNumberChanged();
    }

    // Runs the batches on a station started in this process; the journal's
    // 04_MP runs that were given a number, with the batch each belongs to.
    std::vector<NumberedRun> RunBatches(int batches, uint32_t seed) {
        StationStartOptions options;
        options.appDir = dir_.path() / "";
        options.deviceRoot = dir_ / "Sim/root";
        options.view = &view_;
        options.pauses.verdict = std::chrono::milliseconds(0);
        options.pauses.startSpacing = std::chrono::milliseconds(0);
        std::string fatal, detail;
        std::unique_ptr<Station> station = StartStation(options, fatal, detail);
        EXPECT_TRUE(station) << fatal << " " << detail;
        if (!station)
            return {};
        MainPage& page = *station->page;
        auto runs = std::make_shared<EndedRuns>();
        station->outputs->Add(runs);
        page.ChangeConfiguration("04_MP.ini");
        RegisterStationOutputs(*station->outputs,
                               {dir_.path(), page.logDateFolder(), page.ConfigurationText(), "test", {}});
        page.LayoutPorts();
        page.Refresh();
        Serve(page, *runs, [] { return false; });
        page.WaitForPortRuns();

        // Which batch a run belongs to is told by when it started: every run
        // of batch b starts after its Start and before the next one (whole
        // milliseconds, as the journal keeps them; a run takes longer).
        std::vector<std::pair<std::chrono::system_clock::time_point, int>> batchStarts;
        std::mt19937 random(seed);
        const int ports = static_cast<int>(page.portCount);
        for (int batch = 0; batch < batches; ++batch) {
            batchStarts.emplace_back(
                std::chrono::floor<std::chrono::milliseconds>(std::chrono::system_clock::now()), batch);
            EXPECT_TRUE(page.Start());
            const size_t before = runs->Count();
            const size_t clickAfter =
                std::uniform_int_distribution<size_t>(0, static_cast<size_t>(ports))(random);
            Serve(page, *runs, [&] { return runs->Count() >= before + clickAfter; });
            EXPECT_TRUE(page.ClickTile(std::uniform_int_distribution<int>(0, ports - 1)(random)));
            Serve(page, *runs, [] { return false; });
            page.WaitForPortRuns();
        }
        ShutdownStation(*station);
        EXPECT_EQ(view_.Messages(), std::vector<std::string>());

        std::vector<NumberedRun> numbered;
        for (const fs::path& file : JournalFiles(dir_.path())) {
            JournalRead read;
            EXPECT_TRUE(ReadJournal(file, 0, read).ok()) << file;
            EXPECT_EQ(read.badLines, 0);
            for (const PortRunRecord& record : read.records) {
                // A run's line of the number it took comes before its
                // finished line; each run counts once.
                if (record.station != "04_MP" || record.serial.empty() || record.inProgress)
                    continue;
                int batch = 0;
                for (const auto& [at, b] : batchStarts)
                    if (record.startedAt >= at)
                        batch = b;
                numbered.push_back({batch, record.port, record.serial});
            }
        }
        return numbered;
    }

    test::TempDir dir_;
    fs::path saved_;
    QuietPageView view_;
};

constexpr int kBatches = 200;

TEST_P(SerialNumberRace, NoNumberIsHandedOutTwiceWhileTilesAreClickedDuringBatches) {
    const auto type = static_cast<SnType>(GetParam());
    const std::vector<NumberedRun> numbered =
        RunBatches(kBatches, 20261211u + static_cast<uint32_t>(GetParam()));
    // Every batch numbers its drives: a batch that gave none would prove
    // nothing.
    ASSERT_GE(numbered.size(), static_cast<size_t>(kBatches) * 8);

    std::map<std::string, std::vector<const NumberedRun*>> byNumber;
    for (const NumberedRun& run : numbered) {
        // Random promises no repeat within one start of all ports and the
        // next; Auto++ none in the whole program run.
        const std::string key =
            type == SnType::Random ? std::to_string(run.batch) + "/" + run.serial : run.serial;
        byNumber[key].push_back(&run);
    }
    for (const auto& [key, runs] : byNumber) {
        if (runs.size() < 2)
            continue;
        std::string ports;
        for (const NumberedRun* run : runs)
            ports += " " + std::to_string(run->port);
        ADD_FAILURE() << key << " was given to the drives of ports" << ports;
    }

    if (type != SnType::AutoIncrement)
        return;
    const std::string highest =
        std::max_element(numbered.begin(), numbered.end(), [](const NumberedRun& a, const NumberedRun& b) {
            return a.serial < b.serial;
        })->serial;
    const std::string mask = IniGetString(StationFile(), "SN Set", "SN_Mask", "", 64);
    const std::string end = IniGetString(StationFile(), "SN Set", "SN_End", "", 64);
    LastSnByPort scratch;
    std::string next, afterClose;
    ASSERT_TRUE(AllocateSerialNumber(0, mask, highest, highest, end, SnType::AutoIncrement, scratch, next));
    ASSERT_TRUE(AllocateSerialNumber(0, mask, next, next, end, SnType::AutoIncrement, scratch, afterClose));
    EXPECT_EQ(IniGetString(StationFile(), "SN Set", "SN_Start", "", 64), afterClose);
    EXPECT_EQ(IniGetString(StationFile(), "General Info", "SerialNum", "", 64), afterClose);
}

INSTANTIATE_TEST_SUITE_P(SnTypes, SerialNumberRace,
                         ::testing::Values(static_cast<int>(SnType::AutoIncrement),
                                           static_cast<int>(SnType::Random)),
                         [](const ::testing::TestParamInfo<int>& type) {
                             return type.param == 0 ? std::string("AutoIncrement") : std::string("Random");
                         });

// The operator's command line of a batch with a click: the program as its
// own process, the library hosted per port.
TEST(SerialNumbersOfAWholeProgram, ABatchWithATileClickGivesEveryPassingDriveItsOwnNumber) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    test::TempDir dir;
    const std::string folder = dir.path().string();
    ASSERT_EQ(test::RunCommand(std::string(binary) + "/sim/varnet-sim demo --instant " + folder).exitCode, 0);
    const test::CommandRun run = test::RunCommand(
        std::string(binary) + "/src/varnettool --headless --dir " + folder + " --device-root " + folder +
        "/Sim/root --config 04_MP.ini --refresh --start --click 10 --json 2>/dev/null");
    std::map<std::string, std::vector<int>> portsBySerial;
    const std::regex passing(R"re(^\s*\{"port": (\d+),.*"kind": "Pass",.*"serial": "([^"]+)")re");
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);)
        if (std::smatch m; std::regex_search(line, m, passing))
            portsBySerial[m[2].str()].push_back(std::stoi(m[1].str()));
    EXPECT_EQ(portsBySerial.size(), 22u) << run.output; // 24 drives less the two that cannot run
    for (const auto& [serial, ports] : portsBySerial)
        EXPECT_EQ(ports.size(), 1u) << serial << " on " << ports.size() << " drives\n" << run.output;
}

} // namespace
} // namespace varnet

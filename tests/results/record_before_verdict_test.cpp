// A pass is never shown without its record: a run's verdict reaches the
// screen only once its journal line is on the disk, a run whose line cannot
// be written ends as failed and stops the station from starting more, a
// station short of room starts nothing, and a serial number is on record
// before it goes to the drive, so a run cut short still names it. On a real,
// small file system mounted by the test (the tests run as root).
#include "engine/run_record_outputs.h"
#include "results/results_store.h"
#include "results/run_journal.h"
#include "results/sqlite_db.h"
#include "run_fixture.h"
#include "station_fixture.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDay = "20261210";

// A tmpfs of `kib` KiB over the folder for the test's life.
class SmallFileSystem {
public:
    SmallFileSystem(const fs::path& folder, int kib) : folder_(folder) {
        fs::create_directories(folder);
        const std::string options = "size=" + std::to_string(kib) + "k";
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0)
            mounted_ = true;
        else
            error_ = std::strerror(errno);
    }
    ~SmallFileSystem() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Error() const { return error_; }

    // Fills what room is left with one file; removing it makes room again.
    fs::path Fill() const {
        const fs::path filler = folder_ / "filler";
        std::FILE* file = std::fopen(filler.c_str(), "wb");
        if (!file)
            return filler;
        const std::string block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
        }
        std::fclose(file);
        return filler;
    }

private:
    fs::path folder_;
    bool mounted_ = false;
    std::string error_;
};

PortOutcome PassingErase(PortContext& context) {
    context.tile.SetProgress(100);
    context.tile.SetStatus("Pass!", kTilePass, context.env.tileFontSize, true);
    context.action.store(PORT_DONE);
    return {};
}

// What the operator saw of port 1, and whether a verdict ever showed before
// the journal held its run.
class WatchedTile final : public TileView {
public:
    explicit WatchedTile(fs::path log) : log_(std::move(log)) {}
    void TileChanged(int port, const TileState& state) override {
        if (port != 0)
            return;
        std::lock_guard lock(mutex_);
        if (state.kind == kTilePass && ReadJournal().find("\"verdict\":\"Pass\"") == std::string::npos)
            passWithoutRecord_ = true;
        last_ = state;
    }
    TileState Last() {
        std::lock_guard lock(mutex_);
        return last_;
    }
    bool PassWithoutRecord() {
        std::lock_guard lock(mutex_);
        return passWithoutRecord_;
    }

private:
    // Every day's journal under Log/.
    std::string ReadJournal() const {
        std::string text;
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(log_, ec))
            if (entry.path().filename() == kRunJournalName)
                text += ReadText(entry.path());
        return text;
    }
    fs::path log_;
    std::mutex mutex_;
    TileState last_;
    bool passWithoutRecord_ = false;
};

size_t Lines(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec))
        return 0;
    const std::string text = ReadText(file);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(RecordBeforeVerdict, AStationShortOfRoomOrUnableToJournalShowsNoPassWithoutItsRecord) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a file system needs root";
    PortSteps steps;
    steps.eraseAll = &PassingErase;
    StationFixture f(kStationEraseAll, {}, 0, steps);
    // Log/ on a file system of 1 MiB; Results/ stays on the scratch folder's.
    SmallFileSystem small(f.dir / "Log", 1024);
    ASSERT_TRUE(small.Mounted()) << small.Error();
    // The journal's day changes as a line's does at midnight; a new day's
    // file needs room a full disk no longer has (a day's file has some left
    // in its last block).
    auto day = std::make_shared<std::atomic<int>>(10);
    const auto dayFolder = [day] { return "202612" + std::to_string(day->load()); };
    const auto journalOf = [&] { return f.dir / "Log" / dayFolder() / kRunJournalName; };
    RunRecordOutputs outputs;
    outputs.SetDurable(std::make_shared<RunJournal>(f.dir.path(), dayFolder));
    f.RebuildPage([&](MainPageSetup& setup) { setup.outputs = &outputs; });
    WatchedTile tile(f.dir / "Log");
    f.page->tiles.SetView(&tile);
    f.AttachDrive(0);

    // 1 MiB is below the 64 MB a station wants by default: nothing starts,
    // and the operator learns how much room there is.
    EXPECT_FALSE(f.page->Start());
    ASSERT_FALSE(f.view.messages.empty());
    EXPECT_NE(f.view.messages.back().find("only 1 MB are free for Log/"), std::string::npos)
        << f.view.messages.back();
    EXPECT_NE(f.view.messages.back().find("at least 64 MB"), std::string::npos) << f.view.messages.back();
    EXPECT_FALSE(f.page->ClickTile(0));
    f.page->WaitForPortRuns();
    EXPECT_EQ(Lines(journalOf()), 0u);

    // With the minimum lowered, the run passes, and its pass shows only once
    // its journal line is on the disk.
    WriteText(f.dir / "Config/VarnetTool.ini", "[Results]\r\nMinFreeMegabytes=0\r\n");
    ASSERT_TRUE(f.page->Start());
    f.page->WaitForPortRuns();
    EXPECT_EQ(Lines(journalOf()), 1u);
    EXPECT_EQ(tile.Last().kind, kTilePass) << tile.Last().statusText;
    EXPECT_FALSE(tile.PassWithoutRecord());

    // The disk fills up: the drive passed, but with no record its tile says
    // Fail and why, and nothing more starts until there is room again.
    const fs::path filler = small.Fill();
    day->store(11);
    ASSERT_TRUE(f.page->ClickTile(0));
    f.page->WaitForPortRuns();
    EXPECT_EQ(Lines(journalOf()), 0u);
    EXPECT_EQ(tile.Last().kind, kTileFail);
    EXPECT_NE(tile.Last().statusText.find("Pass!\r\nrecord not saved: No space left on device"),
              std::string::npos)
        << tile.Last().statusText;
    EXPECT_FALSE(tile.PassWithoutRecord());
    const size_t told = f.view.messages.size();
    EXPECT_FALSE(f.page->Start());
    EXPECT_FALSE(f.page->ClickTile(0));
    ASSERT_EQ(f.view.messages.size(), told + 2);
    EXPECT_NE(f.view.messages.back().find("the run journal cannot be written (No space left on device)"),
              std::string::npos)
        << f.view.messages.back();
    f.page->WaitForPortRuns();
    EXPECT_EQ(Lines(journalOf()), 0u);

    fs::remove(filler);
    ASSERT_TRUE(f.page->Start());
    f.page->WaitForPortRuns();
    EXPECT_EQ(Lines(journalOf()), 1u);
    EXPECT_EQ(tile.Last().kind, kTilePass) << tile.Last().statusText;
    EXPECT_FALSE(tile.PassWithoutRecord());
    f.page->tiles.SetView(nullptr);
}

// A run killed after taking its number: the journal's line of the number is
// all there is of it, and the store, filling itself in at the next start,
// keeps the run as interrupted with that number.
TEST(RecordBeforeVerdict, ARunCutShortAfterTakingItsSerialNumberIsStoredInterruptedWithIt) {
    TempDir dir;
    RunJournal journal(dir.path(), [] { return std::string(kDay); });
    PortRunRecord taken = FinishedRun("cut-short", "04_MP", "VN2612000040", "", 20);
    taken.inProgress = true;
    ASSERT_TRUE(journal.WriteSerialTaken(taken).ok());
    const PortRunRecord whole = FinishedRun("whole", "04_MP", "VN2612000041", "Pass", 21);
    PortRunRecord wholeTaken = whole;
    wholeTaken.inProgress = true;
    wholeTaken.verdict.clear();
    ASSERT_TRUE(journal.WriteSerialTaken(wholeTaken).ok());
    ASSERT_TRUE(journal.WriteFinished(whole).ok());

    ResultsStore store;
    Status status;
    ASSERT_EQ(store.Open(ResultsDatabasePath(dir.path()), 1000, status), SchemaOutcome::kReady)
        << status.message();
    ASSERT_TRUE(store.BeginSession({"host", "0.1.0", "04_MP.ini"}, At(0)).ok());
    FillInResult filled;
    ASSERT_TRUE(store.FillInFromJournals(dir.path(), filled).ok());
    int64_t interrupted = 0;
    ASSERT_TRUE(store.MarkInterrupted(interrupted).ok());
    EXPECT_EQ(interrupted, 1);

    SqliteStatement rows;
    ASSERT_TRUE(
        rows.Prepare(store.Db(), "SELECT run_id, state, serial, verdict FROM port_run ORDER BY run_id").ok());
    std::vector<std::string> seen;
    while (rows.Step(status))
        seen.push_back(std::string(rows.Text(0)) + " " + std::string(rows.Text(1)) + " " +
                       std::string(rows.Text(2)) + " " + std::string(rows.Text(3)));
    EXPECT_EQ(seen, (std::vector<std::string>{"cut-short INTERRUPTED VN2612000040 ",
                                              "whole DONE VN2612000041 Pass"}));
}

} // namespace
} // namespace varnet::test

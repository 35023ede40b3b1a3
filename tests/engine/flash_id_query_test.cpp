// Detect's flash-ID readout: which port it reads after placing the drives
// again, the code the port goes through, the worker that answers, and every
// way it refuses without leaving a port busy.
#include "engine/flash_id_query.h"
#include "fake_device_tree.h"
#include "platform/text_format.h"
#include "platform/wait_pumping.h"
#include "station_fixture.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace varnet::test {
namespace {

using Id = std::array<uint8_t, 8>;
constexpr Id kId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x0C};
constexpr auto kBound = std::chrono::seconds(10);

std::string ListText(const std::vector<Id>& ids) {
    std::string text;
    for (size_t n = 0; n < ids.size(); ++n)
        text += Format("CE%zu:%02X %02X %02X %02X %02X %02X %02X %02X\r\n", n, ids[n][0], ids[n][1],
                       ids[n][2], ids[n][3], ids[n][4], ids[n][5], ids[n][6], ids[n][7]);
    return text;
}

// Whatever the readout answered, and on which thread.
struct Answer {
    std::promise<std::optional<FlashIdTable>> promise;
    std::future<std::optional<FlashIdTable>> future = promise.get_future();
    std::thread::id thread;
    int calls = 0;

    FlashIdQuery::Done Done() {
        return [this](std::optional<FlashIdTable> ids) {
            thread = std::this_thread::get_id();
            if (++calls == 1)
                promise.set_value(ids);
        };
    }
    bool Arrived() const { return future.wait_for(kBound) == std::future_status::ready; }
};

// A page whose scans see a hub on root port 1 with disks on its ports 2
// (drive 7) and 4 (drive 3): the first port with a drive is port 2.
class FlashIdQueryTest : public ::testing::Test {
protected:
    FlashIdQueryTest() {
        releaseRun = false;
        const DevNode hub = tree->AddHub(tree->Root(), 1, 0x2109, 0x2817, 4);
        tree->AddUsbDisk(hub, 2, 7);
        tree->AddUsbDisk(hub, 4, 3);
        MainPageSetup setup;
        setup.appDir = f.dir.path() / "";
        setup.library = &f.library;
        setup.view = &f.view;
        setup.steps.identify = [](PortContext& running) {
            while (!releaseRun.load())
                std::this_thread::yield();
            running.action.store(PORT_READY);
            return PortOutcome{};
        };
        setup.deviceTree = [t = tree] { return SharedDeviceTree(t); };
        page = std::make_unique<MainPage>(std::move(setup));
        f.library.getAllFlashId = [](int, const char* path) {
            WriteText(path, ListText({kId, kId, {}, kId}));
            return true;
        };
    }
    ~FlashIdQueryTest() override {
        releaseRun = true;
        RemoveEventPump();
    }

    uint8_t Code(int port) const { return page->portAction[static_cast<size_t>(port)].load(); }

    static inline std::atomic<bool> releaseRun{false};
    StationFixture f{kStationEraseAll};
    std::shared_ptr<FakeDeviceTree> tree = std::make_shared<FakeDeviceTree>();
    std::unique_ptr<MainPage> page;
};

TEST_F(FlashIdQueryTest, ReadsTheFirstPortWithADriveIntoARecordOfItsOwnOnAWorker) {
    // What the page knew before Detect: a drive since gone from port 1 and
    // an identified drive on port 2 whose record must survive.
    page->devices.Bind(0, "/dev/disk/by-id/usb-gone-0:0", 12);
    page->portResult[1].flashCount = 5;
    page->portResult[1].deviceValid = 1;
    page->portAction[1].store(PORT_READY);
    int drive = 0;
    std::string listFile;
    uint8_t codeDuringCall = 0;
    f.library.getAllFlashId = [&](int d, const char* path) {
        drive = d;
        listFile = path;
        codeDuringCall = Code(1);
        WriteText(path, ListText({kId, kId, {}, kId}));
        return true;
    };
    Answer answer;
    FlashIdQuery query(*page);

    EXPECT_EQ(query.Start(answer.Done()), 1);

    ASSERT_TRUE(answer.Arrived());
    query.Wait();
    const std::optional<FlashIdTable> ids = answer.future.get();
    ASSERT_TRUE(ids.has_value());
    EXPECT_EQ((*ids)[0], kId);
    EXPECT_EQ((*ids)[1], kId);
    EXPECT_EQ((*ids)[2], Id{});
    EXPECT_EQ((*ids)[3], kId);
    EXPECT_EQ((*ids)[4], Id{});
    EXPECT_NE(answer.thread, std::this_thread::get_id());
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(drive, 7);
    EXPECT_EQ(listFile, (f.dir.path() / "Log/AllFlashID_2.txt").string());
    EXPECT_EQ(codeDuringCall, PORT_FLASH_ID_QUERY);
    EXPECT_EQ(Code(1), PORT_DONE);
    EXPECT_EQ(page->devices.portDriveNumber[0], 0);
    EXPECT_EQ(page->portResult[1].flashCount, 5);
    EXPECT_EQ(page->portResult[1].deviceValid, 1);
    EXPECT_FALSE(query.Busy());
    EXPECT_EQ(page->runningPorts.load(), 0);
}

TEST_F(FlashIdQueryTest, AFailingOrThrowingLibraryStillEndsThePortAndFreesTheQuery) {
    struct Row {
        const char* what;
        bool throws;
        bool answered; // a table (empty) rather than nullopt
    };
    for (const Row& row : {Row{"fails", false, true}, Row{"throws", true, false}}) {
        SCOPED_TRACE(row.what);
        f.library.getAllFlashId = [&](int, const char* path) -> bool {
            // Not even the list a failing call left behind is taken.
            WriteText(path, ListText({kId}));
            if (row.throws)
                throw std::runtime_error("the bridge went away");
            return false;
        };
        Answer answer;
        FlashIdQuery query(*page);
        ASSERT_EQ(query.Start(answer.Done()), 1);
        ASSERT_TRUE(answer.Arrived());
        query.Wait();
        const std::optional<FlashIdTable> ids = answer.future.get();
        ASSERT_EQ(ids.has_value(), row.answered);
        if (ids) {
            EXPECT_EQ(*ids, FlashIdTable{});
        }
        EXPECT_EQ(Code(1), PORT_DONE);
        EXPECT_FALSE(query.Busy());
    }
}

TEST_F(FlashIdQueryTest, RefusesAtOnceWithoutADriveWhileRunsGoOrWhileAReadoutGoes) {
    FlashIdQuery query(*page);

    // No drive after the new placement.
    MainPageSetup setup;
    setup.appDir = f.dir.path() / "";
    setup.library = &f.library;
    setup.view = &f.view;
    setup.deviceTree = [t = std::make_shared<FakeDeviceTree>()] { return SharedDeviceTree(t); };
    MainPage noDrives(std::move(setup));
    FlashIdQuery empty(noDrives);
    Answer none;
    EXPECT_EQ(empty.Start(none.Done()), std::nullopt);
    EXPECT_EQ(none.calls, 1);
    EXPECT_EQ(none.thread, std::this_thread::get_id());

    // An identify still running on port 4: its port is not Detect's to touch.
    page->devices.Bind(3, FakeDeviceTree::DiskPath(3), 3);
    page->portAction[3].store(PORT_IDENTIFY);
    ASSERT_TRUE(page->StartPortJob(3, std::chrono::milliseconds(0)));
    Answer duringRun;
    EXPECT_EQ(query.Start(duringRun.Done()), std::nullopt);
    EXPECT_EQ(duringRun.calls, 1);
    EXPECT_EQ(Code(1), PORT_IDLE);
    EXPECT_EQ(page->devices.portDriveNumber[3], 3); // the placement was left alone
    releaseRun = true;
    page->WaitForPortRuns();

    // A second Detect while the first one is still reading.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    f.library.getAllFlashId = [released](int, const char*) {
        released.wait();
        return true;
    };
    Answer first, second;
    ASSERT_EQ(query.Start(first.Done()), 1);
    EXPECT_TRUE(query.Busy());
    EXPECT_EQ(query.Start(second.Done()), std::nullopt);
    EXPECT_EQ(second.calls, 1);
    release.set_value();
    ASSERT_TRUE(first.Arrived());
    EXPECT_TRUE(first.future.get().has_value());

    EXPECT_EQ(f.library.Calls().size(), 1u);
}

TEST_F(FlashIdQueryTest, WaitsForTheStartMutexPumpingAndGivesUpWhenTheProgramQuits) {
    struct Row {
        const char* what;
        bool quit;
    };
    for (const Row& row : {Row{"another start releases it", false}, Row{"the program quits", true}}) {
        SCOPED_TRACE(row.what);
        page->portAction[1].store(PORT_READY);
        // A port start elsewhere holds the mutex until the pump has run once.
        std::promise<void> holding, release;
        std::thread holder([&] {
            page->runStartMutex.lock();
            holding.set_value();
            release.get_future().wait();
            page->runStartMutex.unlock();
        });
        holding.get_future().wait();
        int pumped = 0;
        uint8_t codeWhileWaiting = 0;
        InstallEventPump(std::this_thread::get_id(), [&] {
            if (++pumped == 1) {
                codeWhileWaiting = Code(1);
                release.set_value();
                holder.join();
            }
            return !row.quit;
        });
        Answer answer;
        FlashIdQuery query(*page);

        const std::optional<int> port = query.Start(answer.Done());
        RemoveEventPump();

        EXPECT_GE(pumped, 1);
        EXPECT_EQ(codeWhileWaiting, PORT_FLASH_ID_QUERY);
        ASSERT_TRUE(answer.Arrived());
        query.Wait();
        if (row.quit) {
            EXPECT_EQ(port, std::nullopt);
            EXPECT_FALSE(answer.future.get().has_value());
            EXPECT_EQ(Code(1), PORT_READY); // nothing was read: the code it had
        } else {
            EXPECT_EQ(port, 1);
            EXPECT_TRUE(answer.future.get().has_value());
            EXPECT_EQ(Code(1), PORT_DONE);
        }
        // Never left locked, whichever way the wait ended.
        ASSERT_TRUE(page->runStartMutex.try_lock());
        page->runStartMutex.unlock();
    }
}

} // namespace
} // namespace varnet::test

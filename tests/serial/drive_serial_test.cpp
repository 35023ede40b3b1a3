// Resolving a drive's SN: the Auto++ counter and its write-back (the file
// always names the next number, and a number is never handed out unless the
// file moved past it), Random under the lock with nothing written, the
// lock-free sources, the page-close advance, and 24 ports at once.
#include "serial/drive_serial.h"
#include "temp_dir.h"

#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "platform/wait_pumping.h"
#include "serial/scan_sn_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace varnet {
namespace {

constexpr const char* kConfigured = "CONFIGURED01";

struct Station {
    test::TempDir dir;
    std::filesystem::path file = dir / "Station_MP.ini";
    ST_STATION_CONFIG config{};
    SerialNumberState state;
    std::atomic<int> notices{0};
    std::function<void()> post = [this] { ++notices; };

    Station(std::string_view mask, std::string_view start, std::string_view end,
            SnType type = SnType::AutoIncrement) {
        std::filesystem::create_directories(dir / "Config");
        config.SN_Set = 1;
        config.SN_Type = static_cast<uint8_t>(type);
        SetFieldText(config.SerialNum, kConfigured);
        SetFieldText(config.SN_Mask, mask);
        SetFieldText(config.SN_Start, start);
        SetFieldText(config.SN_End, end);
        test::WriteText(file, "[General Info]\r\nSerialNum=" + std::string(start) +
                                  "\r\n[SN Set]\r\nSN_Start=" + std::string(start) +
                                  "\r\nSN_End=" + std::string(end) + "\r\n");
        // As a run start does.
        state.currentSn = std::string(start);
    }

    DriveSerialResult Resolve(int port, SnStation station = SnStation::MpOrReMp,
                              std::string_view identify = "", const SnClock& clock = ReadSnTime) {
        return ResolveDriveSerialNumber(config, port, identify, file, state, station, post, dir.path(),
                                        clock);
    }

    // SN_Start and SerialNum as the file holds them; they always agree.
    std::string FileSn() const {
        std::string start = IniGetString(file, "SN Set", "SN_Start", "", 64);
        EXPECT_EQ(IniGetString(file, "General Info", "SerialNum", "", 64), start);
        return start;
    }
};

// Makes the calling thread the window thread of an application that is
// quitting: every WaitPumpingMessages on it gives up.
struct QuittingWindowThread {
    QuittingWindowThread() {
        InstallEventPump(std::this_thread::get_id(), [] { return false; });
    }
    ~QuittingWindowThread() { RemoveEventPump(); }
    QuittingWindowThread(const QuittingWindowThread&) = delete;
    QuittingWindowThread& operator=(const QuittingWindowThread&) = delete;
};

TEST(DriveSerial, AutoIncrementHandsOutTheNumberTheFileNamed) {
    Station station("############", "000000000001", "999999999999");
    const DriveSerialResult first = station.Resolve(0);
    EXPECT_EQ(first.serialNumber, "000000000001");
    EXPECT_TRUE(first.allocationOk);
    EXPECT_EQ(station.FileSn(), "000000000002");

    const DriveSerialResult second = station.Resolve(5);
    EXPECT_EQ(second.serialNumber, "000000000002");
    EXPECT_TRUE(second.allocationOk);
    EXPECT_EQ(station.FileSn(), "000000000003");
    EXPECT_EQ(station.state.currentSn, "000000000003");
    EXPECT_EQ(station.state.nextSnSlot, "000000000003");
    EXPECT_EQ(station.state.lastSnByPort[0], "000000000002");
    EXPECT_EQ(station.state.lastSnByPort[5], "000000000003");
    EXPECT_EQ(station.notices, 2);
}

TEST(DriveSerial, OnlyMpAndReMpPostTheNotice) {
    for (const auto& [who, notices] : {std::pair{SnStation::MpOrReMp, 1}, {SnStation::RdtStart, 0}}) {
        Station station("SN##", "SN09", "SN99");
        const DriveSerialResult result = station.Resolve(2, who);
        EXPECT_EQ(result.serialNumber, "SN09");
        EXPECT_TRUE(result.allocationOk);
        EXPECT_EQ(station.FileSn(), "SN10");
        EXPECT_EQ(station.notices, notices);
    }
}

TEST(DriveSerial, UsedUpRangeFailsAndLeavesTheFile) {
    Station station("SN##", "SN19", "SN20");
    EXPECT_EQ(station.Resolve(0).serialNumber, "SN19");
    EXPECT_EQ(station.FileSn(), "SN20");

    const DriveSerialResult refused = station.Resolve(1);
    EXPECT_FALSE(refused.allocationOk);
    EXPECT_EQ(refused.serialNumber, "SN20");
    EXPECT_EQ(station.FileSn(), "SN20");
    EXPECT_EQ(station.state.currentSn, "SN20");
    EXPECT_EQ(station.state.lastSnByPort[1], "");
    EXPECT_EQ(station.notices, 1);
}

TEST(DriveSerial, RefusalFallsBackToTheLastValueAdvancedTo) {
    // Nothing was advanced to in this program run yet.
    Station station("SN##", "SN20", "SN20");
    EXPECT_FALSE(station.Resolve(0).allocationOk);
    EXPECT_EQ(station.state.currentSn, "");
    const DriveSerialResult next = station.Resolve(1);
    EXPECT_FALSE(next.allocationOk);
    EXPECT_EQ(next.serialNumber, "");
    EXPECT_EQ(station.FileSn(), "SN20");
    EXPECT_EQ(station.notices, 0);
}

TEST(DriveSerial, FailedWriteBackHandsOutNothing) {
    Station station("SN##", "SN09", "SN99");
    const std::filesystem::path written = station.file;
    station.file = station.dir / "gone" / "Station_MP.ini";

    const DriveSerialResult failed = station.Resolve(3);
    EXPECT_FALSE(failed.allocationOk);
    EXPECT_FALSE(failed.writeBack.ok());
    EXPECT_EQ(station.state.currentSn, "SN09");
    EXPECT_EQ(station.state.nextSnSlot, "");
    EXPECT_EQ(station.state.lastSnByPort, LastSnByPort{});
    EXPECT_EQ(station.notices, 0);

    // Once the file can be written again, the same number is the next one.
    station.file = written;
    const DriveSerialResult retried = station.Resolve(3);
    EXPECT_TRUE(retried.allocationOk);
    EXPECT_TRUE(retried.writeBack.ok());
    EXPECT_EQ(retried.serialNumber, "SN09");
    EXPECT_EQ(station.FileSn(), "SN10");
}

TEST(DriveSerial, RandomDrawsUnderTheLockAndWritesNothing) {
    Station station("AB##", "AB00", "AB99", SnType::Random);
    const std::string before = test::ReadText(station.file);
    const DriveSerialResult result = station.Resolve(4);
    EXPECT_TRUE(result.allocationOk);
    ASSERT_EQ(result.serialNumber.size(), 4u);
    EXPECT_EQ(result.serialNumber.substr(0, 2), "AB");
    EXPECT_EQ(station.state.lastSnByPort[4], result.serialNumber);
    EXPECT_EQ(station.state.currentSn, "AB00");
    EXPECT_EQ(test::ReadText(station.file), before);
    EXPECT_EQ(station.notices, 0);

    // A range with no value left keeps SerialNum and says so.
    Station full("AB##", "AB05", "AB05", SnType::Random);
    full.state.lastSnByPort[9] = "AB05";
    const DriveSerialResult refused = full.Resolve(1);
    EXPECT_FALSE(refused.allocationOk);
    EXPECT_EQ(refused.serialNumber, kConfigured);
}

TEST(DriveSerial, QuitWhileWaitingAllocatesNothing) {
    for (const SnType type : {SnType::AutoIncrement, SnType::Random}) {
        Station station("SN##", "SN09", "SN99", type);
        const std::string before = test::ReadText(station.file);
        QuittingWindowThread quitting;
        const DriveSerialResult result = station.Resolve(0);
        EXPECT_FALSE(result.allocationOk);
        EXPECT_EQ(result.serialNumber, kConfigured);
        EXPECT_EQ(station.state.currentSn, "SN09");
        EXPECT_EQ(station.state.lastSnByPort, LastSnByPort{});
        EXPECT_EQ(test::ReadText(station.file), before);
        EXPECT_EQ(station.notices, 0);
    }
}

TEST(DriveSerial, SourcesThatTakeNoLock) {
    struct SourceCase {
        const char* description;
        uint8_t snSet;
        SnType type;
        int port;
        const char* identify;
        const char* expected;
    };
    const SourceCase cases[] = {
        {"drive's own serial", 0, SnType::AutoIncrement, 3, "DRIVE123", "DRIVE123"},
        {"timestamp", 0, SnType::AutoIncrement, 0, "", "0330101112998"},
        {"timestamp fields grow", 0, SnType::Random, 5, "", "03351011121003"},
        {"scanned", 1, SnType::ScanInput, 5, "DRIVE123", "SCAN-5"},
        {"nothing scanned for the port", 1, SnType::ScanInput, 6, "", ""},
        {"unified, first port", 1, SnType::Unified, 0, "DRIVE123", kConfigured},
        {"unified, last port", 1, SnType::Unified, 23, "", kConfigured},
        {"unknown type", 1, static_cast<SnType>(7), 1, "", kConfigured},
        {"unknown SN_Set", 2, SnType::AutoIncrement, 1, "DRIVE123", kConfigured},
    };
    const SnClock clock = [] {
        SnTime time;
        time.month = 3;
        time.day = 30;
        time.hour = 10;
        time.minute = 11;
        time.second = 12;
        time.milliseconds = 998;
        return time;
    };
    for (const SourceCase& c : cases) {
        SCOPED_TRACE(c.description);
        Station station("SN##", "SN09", "SN99", c.type);
        station.config.SN_Set = c.snSet;
        ScanSerialNumbers scanned;
        scanned[5] = "SCAN-5";
        ASSERT_TRUE(WriteScanSerialNumbers(station.dir.path(), scanned).ok());
        const std::string before = test::ReadText(station.file);
        // A path that waited for the lock would give up here.
        QuittingWindowThread quitting;
        const DriveSerialResult result = station.Resolve(c.port, SnStation::MpOrReMp, c.identify, clock);
        EXPECT_TRUE(result.allocationOk);
        EXPECT_EQ(result.serialNumber, c.expected);
        EXPECT_EQ(station.state.currentSn, "SN09");
        EXPECT_EQ(test::ReadText(station.file), before);
    }
}

TEST(DriveSerial, PageCloseAdvancesByTypeAlone) {
    struct CloseCase {
        const char* description;
        uint8_t snSet;
        SnType type;
        const char* current;
        const char* end;
        const char* currentAfter;
        const char* fileAfter;
    };
    const CloseCase cases[] = {
        {"SN_Set 0 still advances", 0, SnType::AutoIncrement, "000000000005", "999999999999", "000000000006",
         "000000000006"},
        {"Auto++", 1, SnType::AutoIncrement, "000000000007", "999999999999", "000000000008", "000000000008"},
        {"range used up", 1, SnType::AutoIncrement, "999999999999", "999999999999", "", "000000000001"},
        {"nothing to advance", 1, SnType::AutoIncrement, "", "999999999999", "", "000000000001"},
        {"Random", 1, SnType::Random, "000000000005", "999999999999", "000000000005", "000000000001"},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.description);
        Station station("############", "000000000001", c.end, c.type);
        station.config.SN_Set = c.snSet;
        station.state.currentSn = c.current;
        EXPECT_TRUE(AdvanceSerialOnClose(station.config, station.file, station.state).ok());
        EXPECT_EQ(station.state.currentSn, c.currentAfter);
        EXPECT_EQ(station.FileSn(), c.fileAfter);
    }

    Station unwritable("############", "000000000001", "999999999999");
    EXPECT_FALSE(
        AdvanceSerialOnClose(unwritable.config, unwritable.dir / "gone" / "x.ini", unwritable.state).ok());
}

TEST(DriveSerial, TwentyFourPortsAtOnceGetConsecutiveNumbers) {
    Station station("############", "000000000001", "999999999999");
    std::vector<DriveSerialResult> results(kPortCount);
    std::vector<std::thread> workers;
    workers.reserve(kPortCount);
    for (int port = 0; port < kPortCount; ++port)
        workers.emplace_back([&, port] { results[static_cast<size_t>(port)] = station.Resolve(port); });
    for (std::thread& worker : workers)
        worker.join();

    std::vector<std::string> numbers;
    for (const DriveSerialResult& result : results) {
        EXPECT_TRUE(result.allocationOk);
        numbers.push_back(result.serialNumber);
    }
    std::sort(numbers.begin(), numbers.end());
    for (int i = 0; i < kPortCount; ++i)
        EXPECT_EQ(numbers[static_cast<size_t>(i)], Format("%012d", i + 1));
    EXPECT_EQ(station.FileSn(), "000000000025");
    EXPECT_EQ(station.state.currentSn, "000000000025");
    EXPECT_EQ(station.notices, kPortCount);
}

TEST(DriveSerial, TwentyFourPortsAtOnceDrawDifferentRandomNumbers) {
    // Only 100 values in range: every port must still keep clear of the others.
    Station station("AB##", "AB00", "AB99", SnType::Random);
    std::vector<std::string> numbers(kPortCount);
    std::vector<std::thread> workers;
    workers.reserve(kPortCount);
    for (int port = 0; port < kPortCount; ++port) {
        workers.emplace_back([&, port] {
            const DriveSerialResult result = station.Resolve(port);
            EXPECT_TRUE(result.allocationOk);
            numbers[static_cast<size_t>(port)] = result.serialNumber;
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(std::unique(numbers.begin(), numbers.end()), numbers.end());
    EXPECT_EQ(station.notices, 0);
}

} // namespace
} // namespace varnet

// Calls as the program makes them from its port workers: different drives at
// the same time, and the progress value rising over a drive's call time.
#include "mp_api_line.h"

#include "platform/text_format.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace varnet::test {
namespace {

TEST_F(MpApiLine, DrivesRunTheLineConcurrently) {
    constexpr int kDrives = 4;
    std::vector<std::string> lines;
    std::map<std::string, std::string> attached;
    for (int n = 0; n < kDrives; ++n) {
        lines.push_back(
            Format("drive d%d at=xhci:%d flash=BICS3 ce=4 early-bad=%d later-bad=%d", n, n + 1, n + 2, n));
        attached[Format("sd%c", static_cast<char>('b' + n))] = Format("d%d", n);
    }
    DescribeDrives(lines);
    Attach(attached);
    const std::string folder = Folder();
    SettingsFile("02_RDT.ini", 1);
    SettingsFile("04_MP.ini", 3, "ModelName=PRO\r\n[Options]\r\nPretestType=3\r\n");
    for (int n = 0; n < kDrives; ++n)
        SettingsFile(Format("INI_Port_%d.ini", n), 2);

    std::array<std::string, kDrives> failures;
    std::vector<std::thread> workers;
    for (int n = 0; n < kDrives; ++n) {
        workers.emplace_back([&, n] {
            const int drive = n + 2;
            const std::string sn = Format("VN%04d", n);
            const std::string spec = Format("INI_Port_%d.ini", n);
            PortBuffers port;
            std::array<uint8_t, MP_API_HISTORY_SIZE> area{};
            area.fill(static_cast<uint8_t>(n));
            std::array<uint8_t, MP_API_HISTORY_SIZE> back{};
            const bool ok = api.DoPretestInit(drive, 1, folder.c_str(), sn.c_str(), "02_RDT.ini",
                                              &port.record.progress, port.code.data(), port.message.data()) &&
                            api.Read_RDT_Log(drive, 1, folder.c_str(), ("RDT_" + sn).c_str(), spec.c_str(),
                                             &port.record.progress, port.code.data(), port.message.data()) &&
                            api.DoPretestInit(drive, 1, folder.c_str(), (sn + "M").c_str(), "04_MP.ini",
                                              &port.record.progress, port.code.data(), port.message.data()) &&
                            api.WriteReadPH(drive, 1, area.data(), MP_API_HISTORY_SIZE) &&
                            api.WriteReadPH(drive, 0, back.data(), MP_API_HISTORY_SIZE);
            if (!ok || back != area)
                failures[static_cast<size_t>(n)] = "failed: " + port.Message();
        });
    }
    for (std::thread& worker : workers)
        worker.join();

    for (int n = 0; n < kDrives; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(failures[static_cast<size_t>(n)], "");
        const std::optional<Identity> id = Identify(n + 2);
        ASSERT_TRUE(id);
        EXPECT_EQ(id->serial.substr(0, 7), Format("VN%04dM", n));
        ReaderPort log = ReadRdt(ReportOf(Format("RDT_VN%04d", n)));
        EXPECT_EQ(log.result->earlyBadTotal, n + 2);
        EXPECT_EQ(log.result->laterBadTotal, n);
    }
}

TEST_F(MpApiLine, ProgressRisesOverTheDrivesCallTime) {
    DescribeDrives({"drive d1 at=xhci:1 flash=BICS3 ce=2 time-ms=400"});
    Attach({{"sdb", "d1"}});
    SettingsFile("01_EraseAll.ini", 0);
    const std::string folder = Folder();

    PortBuffers port;
    port.record.progress = -1;
    std::atomic<bool> done = false;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] {
        EXPECT_EQ(api.DoEraseAll(2, 1, folder.c_str(), "E1", "01_EraseAll.ini", &port.record.progress,
                                 port.code.data(), port.message.data()),
                  1);
        done = true;
    });
    std::vector<int32_t> seen;
    while (!done) {
        const int32_t value = GetProgressValue(port.record.progress);
        if (seen.empty() || seen.back() != value)
            seen.push_back(value);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_EQ(GetProgressValue(port.record.progress), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](int32_t v) { return v > 0 && v < 100; }));
}

} // namespace
} // namespace varnet::test

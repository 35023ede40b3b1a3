// The faults a station description can give a drive, one kind each, and the
// error buffers' bounds whatever the texts.
#include "mp_api_line.h"

#include "platform/ini_file.h"
#include "sim_gate.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

constexpr int kDrive = 2; // sdb
constexpr int kOtherDrive = 3;

class Faults : public MpApiLine {
protected:
    void Describe(const std::string& faults) {
        DescribeDrives({"drive d1 at=xhci:1 flash=BICS3 ce=2 early-bad=3 sn=SN-D1 " + faults,
                        "drive d2 at=xhci:2 flash=BICS3 ce=2 sn=SN-D2"});
        Attach({{"sdb", "d1"}, {"sdc", "d2"}});
    }
};

TEST_F(Faults, FailAnswersWithTheCodeAndMessageAndChangesNothing) {
    Describe("fault=\"fail:DoPretestInit:0x21:Erase timeout: block 7\" fault=fail:DoEraseAll");
    PortBuffers port;
    EXPECT_FALSE(Pretest(kDrive, "VN1", SettingsFile("02_RDT.ini", 1), port));
    EXPECT_EQ(port.Code(), "0x21");
    EXPECT_EQ(port.Message(), "Erase timeout: block 7");
    // The drive is as it was, and the report carries the failure.
    const std::optional<Identity> id = Identify(kDrive);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->serial.substr(0, 6), "SN-D1 ");
    EXPECT_EQ(id->firmware, "VT01A001");
    ReaderPort report = ReadErase(ReportOf("VN1"));
    EXPECT_EQ(report.result->failFlag, 1);
    EXPECT_EQ(report.result->earlyBadTotal, 3);

    // Without code and message the description's defaults stand.
    EXPECT_FALSE(EraseAll(kDrive, "E1", SettingsFile("01_EraseAll.ini", 0), port));
    EXPECT_EQ(port.Code(), "0x01");
    EXPECT_EQ(port.Message(), "Simulated failure");
    // Other entry points and other drives work.
    EXPECT_TRUE(EraseAll(kOtherDrive, "E2", "01_EraseAll.ini", port));
    EXPECT_EQ(api.ResetSmart(kDrive), 1);
}

TEST_F(Faults, NoReportSucceedsWithoutWritingTheReport) {
    Describe("fault=no-report:DoEraseAll fault=no-report:GetAllFlashID");
    PortBuffers port;
    EXPECT_TRUE(EraseAll(kDrive, "E1", SettingsFile("01_EraseAll.ini", 0), port));
    EXPECT_FALSE(fs::exists(ReportOf("E1")));
    EXPECT_EQ(api.GetAllFlashID(kDrive, "AllFlashID_1.txt"), 1);
    EXPECT_FALSE(fs::exists("AllFlashID_1.txt"));
    EXPECT_EQ(api.ScandBadBlock(kDrive, "", "BadBlockTable_1.txt"), 1);
    EXPECT_TRUE(fs::exists("BadBlockTable_1.txt"));
}

TEST_F(Faults, DelayMakesTheCallTakeItsTime) {
    Describe("fault=delay:ResetSmart:150");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(api.ResetSmart(kDrive), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

// The gate holds exactly the described call until a byte arrives, then lets
// it finish as an ordinary call; the next call waits at the gate again.
TEST_F(Faults, GateHoldsTheCallUntilTheTestLetsItThrough) {
    Describe("fault=gate:DoEraseAll");
    const SimGate gate(Dir(), "d1", "DoEraseAll");
    EXPECT_FALSE(gate.Release()); // nobody at the gate yet
    std::atomic<int> finished{0};
    PortBuffers port;
    std::thread call([&] {
        EXPECT_TRUE(EraseAll(kDrive, "E1", SettingsFile("01_EraseAll.ini", 0), port));
        finished = 1;
    });
    if (!gate.WaitReached()) {
        call.join();
        FAIL() << "the call never reached its gate";
    }
    // Held: other entry points and other drives are not.
    EXPECT_EQ(api.ResetSmart(kDrive), 1);
    PortBuffers other;
    EXPECT_TRUE(EraseAll(kOtherDrive, "E2", "01_EraseAll.ini", other));
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(gate.Release());
    call.join();
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(fs::exists(ReportOf("E1")));
    EXPECT_FALSE(fs::exists(gate.Reached()));

    std::thread again([&] { EXPECT_TRUE(EraseAll(kDrive, "E3", "01_EraseAll.ini", port)); });
    EXPECT_TRUE(gate.WaitReached());
    EXPECT_TRUE(gate.Release());
    again.join();
}

// The drive is looked up when the call starts; pulled before it returns, it
// has done nothing to report, and the call must not pass.
TEST_F(Faults, ADrivePulledDuringTheCallFailsItWithoutAReport) {
    Describe("fault=delay:DoEraseAll:400");
    PortBuffers port;
    std::thread pull([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Attach({{"sdc", "d2"}});
    });
    EXPECT_FALSE(EraseAll(kDrive, "E1", SettingsFile("01_EraseAll.ini", 0), port));
    pull.join();
    EXPECT_EQ(port.Code(), "0x11");
    EXPECT_NE(port.Message().find("was removed during the call"), std::string::npos) << port.Message();
    EXPECT_FALSE(fs::exists(ReportOf("E1")));
}

TEST_F(Faults, LoseFailsTheCallAndEveryLaterOne) {
    Describe("fault=lose:DoEraseAll");
    PortBuffers port;
    EXPECT_FALSE(EraseAll(kDrive, "E1", SettingsFile("01_EraseAll.ini", 0), port));
    EXPECT_EQ(port.Code(), "0x11");
    EXPECT_NE(port.Message().find("sdb"), std::string::npos);
    EXPECT_FALSE(fs::exists(ReportOf("E1")));
    EXPECT_FALSE(Identify(kDrive));
    EXPECT_EQ(api.ResetSmart(kDrive), 0);
    std::array<uint8_t, MP_API_HISTORY_SIZE> area{};
    EXPECT_EQ(api.WriteReadPH(kDrive, 0, area.data(), MP_API_HISTORY_SIZE), 0);
    EXPECT_EQ(IniGetInt("Sim/drives/d1.ini", "Drive", "Lost", 0), 1);
    // The drive beside it carries on.
    EXPECT_TRUE(Identify(kOtherDrive));
}

TEST_F(Faults, ErrorBuffersStayWithinTheirSizeAndTerminated) {
    const std::string code(700, 'C');
    const std::string message(2000, 'm');
    Describe("fault=\"fail:DoEraseAll:" + code + ":" + message +
             "\" fault=\"fail:SecurityErase:1:" + message + "\"");
    PortBuffers port;
    EXPECT_FALSE(EraseAll(kDrive, "E1", SettingsFile("01_EraseAll.ini", 0), port));
    EXPECT_EQ(port.Code(), code.substr(0, MP_API_ERROR_BUFFER_SIZE - 1));
    EXPECT_EQ(port.Message(), message.substr(0, MP_API_ERROR_BUFFER_SIZE - 1));
    EXPECT_TRUE(port.GuardsIntact());

    PortBuffers erase;
    EXPECT_EQ(api.SecurityErase(kDrive, erase.message.data()), 0);
    EXPECT_EQ(erase.Message().size(), MP_API_ERROR_BUFFER_SIZE - 1);
    EXPECT_TRUE(erase.GuardsIntact());

    // A successful call leaves no stale text behind.
    EXPECT_TRUE(EraseAll(kOtherDrive, "E2", "01_EraseAll.ini", port));
    EXPECT_EQ(port.Code(), "");
    EXPECT_EQ(port.Message(), "");
    // Missing buffers and arguments are failures, not crashes.
    EXPECT_EQ(api.DoEraseAll(kOtherDrive, 1, nullptr, "E3", "01_EraseAll.ini", nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(api.DoEraseAll(kOtherDrive, 1, "Log/", "E3", "01_EraseAll.ini", nullptr, nullptr, nullptr), 1);
    EXPECT_FALSE(EraseAll(kOtherDrive, "E4", "no-such-settings.ini", port));
    EXPECT_EQ(port.Code(), "0x20");
    EXPECT_EQ(api.GetIdentifyInfoBuf(kOtherDrive, nullptr), 0);
}

} // namespace
} // namespace varnet::test

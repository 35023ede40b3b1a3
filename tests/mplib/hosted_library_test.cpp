// The device library in its host process: every buffer makes the round trip,
// and a crash, an exit, an abort or a hang of one call ends in that port's
// fault while the program goes on; the next call gets a fresh host.
#include "mplib/host_protocol.h"
#include "mplib/hosted_mp_library.h"
#include "platform/diagnostic_log.h"
#include "platform/file_io.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace varnet {
namespace {

namespace fs = std::filesystem;

constexpr int kAnswers = 1, kSegfaults = 2, kHangs = 3, kExits = 4, kAborts = 5, kFails = 6;

class HostedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "run through ctest";
        host_ = fs::path(binary) / "src/varnet-mphost";
        faulty_ = fs::path(binary) / "tests/libvarnet_fault_library.so";
        // Under a sanitizer the host's crash must still be the library's own
        // signal, not the sanitizer's report and exit.
        for (const char* name : {"ASAN_OPTIONS", "TSAN_OPTIONS"}) {
            const char* old = std::getenv(name);
            ::setenv(name, (std::string(old ? old : "") + ":handle_segv=0:handle_abort=0").c_str(), 1);
        }
    }

    std::unique_ptr<HostedMpLibrary> Library(LibrarySettings settings = {}) const {
        return std::make_unique<HostedMpLibrary>(host_, faulty_, settings);
    }

    struct Buffers {
        std::array<char, 512> code{};
        std::array<char, 512> message{};
        int32_t progress = 0;
    };
    static MpLibrary::Call EraseCall(int drive, Buffers& b, const char* settings = "station.ini") {
        return {
            drive,           "Log/20261210/01_EraseAll/", "EraseAll_P1", settings, &b.progress, b.code.data(),
            b.message.data()};
    }

    fs::path host_;
    fs::path faulty_;
};

TEST_F(HostedLibrary, EveryCallShapeMakesTheRoundTripWithItsBuffers) {
    auto library = Library();
    std::array<uint8_t, 512> identify{};
    ASSERT_TRUE(library->GetIdentifyInfoBuf(kAnswers, identify.data()));
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(identify[static_cast<size_t>(i)], static_cast<uint8_t>(i * 7 + kAnswers)) << i;

    // The texts arrive as given, a null pointer as null, and the progress
    // moves on from where the port left it.
    Buffers b;
    b.progress = 20;
    ASSERT_TRUE(library->DoEraseAll(EraseCall(kAnswers, b, nullptr)));
    EXPECT_STREQ(b.message.data(), "Log/20261210/01_EraseAll/|EraseAll_P1|(null)");
    EXPECT_STREQ(b.code.data(), "OK");
    EXPECT_EQ(b.progress, 60);
    EXPECT_TRUE(library->DoPretestInitRdtMarkCeMask(EraseCall(kAnswers, b), true, 0xF0F0F0F0u));
    EXPECT_FALSE(library->DoPretestInitRdtMarkCeMask(EraseCall(kAnswers, b), true, 0x1));
    EXPECT_FALSE(library->DoPretestInitRdtMark(EraseCall(kAnswers, b), false));

    // The library's own failure is a failure with its texts, not a fault.
    Buffers failed;
    EXPECT_FALSE(library->ReadRdtLog(EraseCall(kFails, failed)));
    EXPECT_STREQ(failed.code.data(), "E42");
    EXPECT_STREQ(failed.message.data(), "Erase failed");
    EXPECT_FALSE(library->TakeFault());

    std::array<uint8_t, 4096> history{};
    ASSERT_TRUE(library->WriteReadPH(kAnswers, 0, history.data(), 4096));
    EXPECT_EQ(history[300], 300 % 251);
    for (int i = 0; i < 4096; ++i)
        history[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i % 256);
    EXPECT_TRUE(library->WriteReadPH(kAnswers, 1, history.data(), 4096));
    std::array<char, 512> erased{};
    EXPECT_TRUE(library->SecurityErase(kAnswers, erased.data()));
    EXPECT_STREQ(erased.data(), "erased");
    EXPECT_TRUE(library->ScandBadBlock(kAnswers, nullptr, "BadBlockTable_1.txt"));
    EXPECT_TRUE(library->ModifyDeviceInfo(kAnswers, "M", "S"));
    EXPECT_TRUE(library->GetAllFlashID(kAnswers, "AllFlashID_1.txt"));
    EXPECT_TRUE(library->ResetSmart(kAnswers));
    EXPECT_TRUE(library->DownLoadMicroCode(kAnswers, "./Bin/fw.bin"));
    EXPECT_FALSE(library->TakeFault());
}

TEST_F(HostedLibrary, AHostThatDiesEndsTheCallInItsFaultAndTheNextCallGetsAFreshHost) {
    struct Case {
        int drive;
        HostFault::Kind kind;
        const char* english;
        const char* chinese;
    };
    const Case cases[] = {
        {kSegfaults, HostFault::kCrashed, "  Fail!\r\nLibrary crashed: SIGSEGV",
         "  Fail!\r\n库崩溃: SIGSEGV"},
        {kAborts, HostFault::kCrashed, "  Fail!\r\nLibrary crashed: SIGABRT", "  Fail!\r\n库崩溃: SIGABRT"},
        {kExits, HostFault::kExited, "  Fail!\r\nLibrary exited: 7", "  Fail!\r\n库已退出: 7"},
    };
    for (const Case& c : cases) {
        auto library = Library();
        ASSERT_TRUE(library->Warm().ok());
        const pid_t first = library->HostPid();
        Buffers b;
        std::strcpy(b.code.data(), "left by the port");
        EXPECT_FALSE(library->DoEraseAll(EraseCall(c.drive, b))) << c.english;
        EXPECT_STREQ(b.code.data(), "left by the port") << "a dead host writes nothing back";
        const std::optional<HostFault> fault = library->TakeFault();
        ASSERT_TRUE(fault) << c.english;
        EXPECT_EQ(fault->kind, c.kind);
        EXPECT_STREQ(fault->Verdict(), "Error");
        EXPECT_EQ(fault->TileText("  ", 0), c.english);
        EXPECT_EQ(fault->TileText("  ", 1), c.chinese);
        EXPECT_FALSE(library->TakeFault()) << "taken once";
        // The dead host was reaped, and the port goes on with a new one.
        EXPECT_EQ(::kill(first, 0), -1);
        std::array<uint8_t, 512> identify{};
        EXPECT_TRUE(library->GetIdentifyInfoBuf(kAnswers, identify.data()));
        EXPECT_NE(library->HostPid(), first);
    }
}

TEST_F(HostedLibrary, ACallPastItsBudgetIsKilledAndReportedAsATimeout) {
    LibrarySettings settings;
    settings.entryTimeouts["DoEraseAll"] = std::chrono::seconds(1);
    auto library = Library(settings);
    Buffers b;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(library->DoEraseAll(EraseCall(kHangs, b)));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(5));
    const std::optional<HostFault> fault = library->TakeFault();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, HostFault::kTimedOut);
    EXPECT_STREQ(fault->Verdict(), "Timeout");
    EXPECT_EQ(fault->TileText("", 0), "Fail!\r\nLibrary timed out after 1 s");
    // Other entry points keep the general budget: this one answers.
    EXPECT_TRUE(library->ResetSmart(kAnswers));
}

TEST_F(HostedLibrary, AHostThatWillNotDieLeavesThePortWaitingForItsDrive) {
    LibrarySettings settings;
    settings.callTimeout = std::chrono::seconds(1);
    auto library = Library(settings);
    library->ProcessForTests().simulateUnreapable = true;
    Buffers b;
    EXPECT_FALSE(library->DoEraseAll(EraseCall(kHangs, b)));
    ASSERT_TRUE(library->TakeFault());
    library->ProcessForTests().simulateUnreapable = false;
    // Not reused: the port refuses until its drive was replugged.
    EXPECT_FALSE(library->ResetSmart(kAnswers));
    const std::optional<HostFault> refused = library->TakeFault();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, HostFault::kUnreapable);
    EXPECT_NE(refused->TileText("", 0).find("replug the drive"), std::string::npos);
    library->Reset();
    EXPECT_TRUE(library->ResetSmart(kAnswers));
}

TEST_F(HostedLibrary, ThreeCrashesInTenMinutesRefuseThePortUntilRefresh) {
    auto library = Library();
    Buffers b;
    for (int i = 0; i < HostedMpLibrary::kCrashLimit; ++i) {
        EXPECT_FALSE(library->DoEraseAll(EraseCall(kSegfaults, b)));
        ASSERT_EQ(library->TakeFault()->kind, HostFault::kCrashed);
    }
    EXPECT_FALSE(library->ResetSmart(kAnswers));
    const std::optional<HostFault> refused = library->TakeFault();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, HostFault::kRefused);
    EXPECT_NE(refused->TileText("", 0).find("press Refresh"), std::string::npos);
    library->Reset();
    EXPECT_TRUE(library->ResetSmart(kAnswers));
}

TEST_F(HostedLibrary, ALibraryOrHostThatCannotBeUsedIsSaidPlainly) {
    test::TempDir dir;
    const fs::path missing = dir.path() / "MP_API.so";
    HostedMpLibrary noLibrary(host_, missing, {});
    const Status warm = noLibrary.Warm();
    ASSERT_FALSE(warm.ok());
    EXPECT_NE(warm.message().find(missing.string()), std::string::npos) << warm.message();
    // A library without every entry point is not the library.
    HostedMpLibrary wrongLibrary(host_, "libm.so.6", {});
    const Status wrong = wrongLibrary.Warm();
    ASSERT_FALSE(wrong.ok());
    EXPECT_NE(wrong.message().find("entry point GetIdentifyInfoBuf is missing"), std::string::npos)
        << wrong.message();

    HostedMpLibrary noHost(dir.path() / "varnet-mphost", faulty_, {});
    EXPECT_FALSE(noHost.Warm().ok());
    EXPECT_FALSE(noHost.ResetSmart(kAnswers));
    const std::optional<HostFault> fault = noHost.TakeFault();
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind, HostFault::kUnavailable);
}

// The program may die without a word; its hosts must not outlive it.
TEST_F(HostedLibrary, TheHostEndsWhenItsConnectionCloses) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    const int memfd = ::memfd_create("progress", 0);
    ASSERT_EQ(::ftruncate(memfd, 4096), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 3);
    posix_spawn_file_actions_adddup2(&actions, memfd, 4);
    const std::string program = host_.string(), library = faulty_.string();
    char* argv[] = {const_cast<char*>(program.c_str()),
                    const_cast<char*>("--socket"),
                    const_cast<char*>("3"),
                    const_cast<char*>("--progress"),
                    const_cast<char*>("4"),
                    const_cast<char*>("--library"),
                    const_cast<char*>(library.c_str()),
                    nullptr};
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    ::close(memfd);
    char hello[256];
    EXPECT_GT(::recv(pair[0], hello, sizeof hello, 0), 0);
    ::close(pair[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A host whose library call hangs, seen from the program's side: the socket
// end, the progress page the library raises on its way into the hang, and
// the spawn prepared up front so that a forked child can start it without
// allocating.
class HangingHost {
public:
    HangingHost(const fs::path& host, const fs::path& library)
        : program_(host.string()), library_(library.string()) {
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair_), 0);
        memfd_ = ::memfd_create("progress", MFD_CLOEXEC);
        EXPECT_EQ(::ftruncate(memfd_, 4096), 0);
        progress_ =
            static_cast<int32_t*>(::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, memfd_, 0));
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_adddup2(&actions_, pair_[1], 3);
        posix_spawn_file_actions_adddup2(&actions_, memfd_, 4);
        mphost::Request hang;
        hang.op = mphost::Op::DoEraseAll;
        hang.sequence = 1;
        hang.drive = kHangs;
        hang.text1 = "Log/";
        hang.text2 = "E1";
        hang.text3 = "station.ini";
        request_ = mphost::EncodeRequest(hang);
    }
    ~HangingHost() {
        posix_spawn_file_actions_destroy(&actions_);
        for (int fd : {pair_[0], pair_[1], memfd_})
            if (fd >= 0)
                ::close(fd);
        ::munmap(progress_, 4096);
    }

    // Starts the host and sends it the hanging call; its PID, or -1. Safe
    // in a forked child of a threaded process.
    pid_t StartAndHang() {
        char* argv[] = {program_.data(), socketArg_,  three_,          progressArg_,
                        four_,           libraryArg_, library_.data(), nullptr};
        pid_t pid = -1;
        if (::posix_spawn(&pid, program_.c_str(), &actions_, nullptr, argv, environ) != 0)
            return -1;
        char hello[4096];
        if (::recv(pair_[0], hello, sizeof hello, 0) <= 0 ||
            ::send(pair_[0], request_.data(), request_.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(request_.size()))
            return -1;
        return pid;
    }
    // The library has raised the progress on its way into the hang.
    bool WaitInCall() const {
        for (int i = 0; i < 20000; ++i) {
            if (std::atomic_ref<int32_t>(*progress_).load() >= 40)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    void CloseProgramEnd() {
        ::close(pair_[0]);
        pair_[0] = -1;
    }
    void CloseHostEnd() {
        ::close(pair_[1]);
        pair_[1] = -1;
    }

private:
    std::string program_, library_;
    char socketArg_[9] = "--socket", three_[2] = "3", progressArg_[11] = "--progress", four_[2] = "4",
         libraryArg_[10] = "--library";
    int pair_[2] = {-1, -1};
    int memfd_ = -1;
    int32_t* progress_ = nullptr;
    posix_spawn_file_actions_t actions_{};
    std::vector<uint8_t> request_;
};

// True when the child ends within the bound (reaped here: the test is its
// parent or, for an orphan, its subreaper).
bool EndsWithin(pid_t pid, std::chrono::seconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A library call that never returns must not keep a host alive once the
// program has gone, whether it closed the connection or was killed outright
// (the host then belongs to nobody who would end it).
TEST_F(HostedLibrary, AHostInAHangingCallEndsWhenItsConnectionCloses) {
    HangingHost host(host_, faulty_);
    const pid_t pid = host.StartAndHang();
    ASSERT_GT(pid, 0);
    host.CloseHostEnd();
    ASSERT_TRUE(host.WaitInCall());
    host.CloseProgramEnd();
    const bool ended = EndsWithin(pid, std::chrono::seconds(10));
    if (!ended)
        ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(ended) << "the host outlived its connection";
}

TEST_F(HostedLibrary, AHostInAHangingCallDoesNotOutliveAKilledProgram) {
    // Orphans come to this process, so the host can be seen to end (and is
    // reaped) whatever init does.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    HangingHost host(host_, faulty_);
    int report[2];
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        const pid_t pid = host.StartAndHang();
        if (::write(report[1], &pid, sizeof pid) != sizeof pid)
            ::_exit(1);
        while (true)
            ::pause();
    }
    ::close(report[1]);
    host.CloseProgramEnd();
    host.CloseHostEnd();
    pid_t pid = -1;
    ASSERT_EQ(::read(report[0], &pid, sizeof pid), static_cast<ssize_t>(sizeof pid));
    ::close(report[0]);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(host.WaitInCall());
    ::kill(program, SIGKILL);
    ASSERT_EQ(::waitpid(program, nullptr, 0), program);
    const bool ended = EndsWithin(pid, std::chrono::seconds(10));
    if (!ended)
        ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(ended) << "the host outlived its program";
}

TEST(LibrarySettings, TheProgramsOwnFileSetsIsolationAndBudgets) {
    struct Case {
        const char* label;
        const char* text;
        LibraryIsolation isolation;
        long long call;
        long long erase;
        bool logged;
    };
    const Case cases[] = {
        {"no file", nullptr, LibraryIsolation::kPerPort, 14400, 14400, false},
        {"empty section", "[Library]\r\n", LibraryIsolation::kPerPort, 14400, 14400, false},
        {"in process, any case", "[library]\r\nisolation=INPROCESS\r\n", LibraryIsolation::kInProcess, 14400,
         14400, false},
        {"budgets", "[Library]\r\nCallTimeoutSeconds=20\r\nDoEraseAllTimeoutSeconds=600\r\n",
         LibraryIsolation::kPerPort, 20, 600, false},
        {"unknown isolation", "[Library]\r\nIsolation=Sandbox\r\n", LibraryIsolation::kPerPort, 14400, 14400,
         true},
        {"budget not a number", "[Library]\r\nCallTimeoutSeconds=soon\r\n", LibraryIsolation::kPerPort, 14400,
         14400, true},
        {"budget of zero", "[Library]\r\nDoEraseAllTimeoutSeconds=0\r\n", LibraryIsolation::kPerPort, 14400,
         14400, true},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const fs::path file = ProgramSettingsFile(dir.path());
        fs::create_directories(file.parent_path());
        if (c.text)
            test::WriteText(file, c.text);
        ASSERT_TRUE(OpenDiagnosticLog(dir.path() / "diag.log"));
        const LibrarySettings settings = LoadLibrarySettings(file);
        CloseDiagnosticLog();
        EXPECT_EQ(settings.isolation, c.isolation) << c.label;
        EXPECT_EQ(settings.TimeoutFor("ResetSmart").count(), c.call) << c.label;
        EXPECT_EQ(settings.TimeoutFor("DoEraseAll").count(), c.erase) << c.label;
        const std::string log = ReadWholeFile(dir.path() / "diag.log").value_or("");
        EXPECT_EQ(!log.empty(), c.logged) << c.label << ": " << log;
        if (c.logged) {
            EXPECT_NE(log.find("VarnetTool.ini"), std::string::npos) << log;
        }
    }
}

} // namespace
} // namespace varnet

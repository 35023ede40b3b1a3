// The program's hold on its station folder and its end, as real processes on
// the demo station: a second program on the folder is refused with the
// holder's PID, a killed program frees the folder and leaves no library host
// behind, and SIGTERM, SIGINT and SIGHUP end a run cleanly. A gate in the
// stand-in library holds one drive's call open for as long as a case needs.
#include "results/results_store.h"
#include "results/sqlite_db.h"
#include "shell_command.h"
#include "sim_gate.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnet {
namespace {

namespace fs = std::filesystem;

std::string HostName() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    return host;
}

// The library hosts a program has started (its children named varnet-mphost).
std::vector<pid_t> HostsOf(pid_t program) {
    std::vector<pid_t> hosts;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream status(entry.path() / "status");
        std::string line, command;
        pid_t parent = 0;
        while (std::getline(status, line)) {
            if (line.starts_with("Name:"))
                command = line.substr(line.find_first_not_of(" \t", 5));
            else if (line.starts_with("PPid:"))
                parent = std::stoi(line.substr(5));
        }
        if (parent == program && command == "varnet-mphost")
            hosts.push_back(std::stoi(name));
    }
    return hosts;
}

// Gone, or a zombie nobody has reaped yet (orphans come to this process,
// its subreaper, and are reaped here).
bool Gone(pid_t pid) {
    (void)::waitpid(pid, nullptr, WNOHANG);
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("State:"))
            return line.find('Z') != std::string::npos;
    return true;
}

bool AllGoneWithin(const std::vector<pid_t>& pids, std::chrono::seconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (true) {
        bool all = true;
        for (pid_t pid : pids)
            all &= Gone(pid);
        if (all)
            return true;
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The rows of the results store: run id -> state, and each run's port and station.
struct StoredRow {
    int port = 0;
    std::string station;
    std::string state;
    std::string serial;
};
std::vector<StoredRow> StoredRows(const fs::path& folder) {
    std::vector<StoredRow> rows;
    SqliteDb db;
    SqliteStatement query;
    Status status = db.Open(ResultsDatabasePath(folder), true, 5000);
    if (status.ok())
        status = query.Prepare(db, "SELECT port, station, state, serial FROM port_run");
    while (status.ok() && query.Step(status))
        rows.push_back({static_cast<int>(query.Int(0)), std::string(query.Text(1)),
                        std::string(query.Text(2)), std::string(query.Text(3))});
    return rows;
}

class StationLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "run through ctest";
        binary_ = binary;
        ASSERT_NO_FATAL_FAILURE(MakeStation(dir_.path() / "station"));
        // Hosts a killed program leaves come here, so their end can be seen.
        ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    }
    void TearDown() override {
        for (pid_t pid : launched_)
            if (::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }

    // A fresh demo station; the one the other helpers work on from now on.
    void MakeStation(const fs::path& folder) {
        folder_ = folder;
        fs::create_directories(folder_);
        ASSERT_EQ(
            test::RunCommand(Tool("sim/varnet-sim") + " demo --instant " + Folder() + " >/dev/null").exitCode,
            0);
    }
    std::string Tool(const char* name) const { return (binary_ / name).string(); }
    std::string Folder() const { return folder_.string(); }
    std::string Program(const std::string& options) const {
        return Tool("src/varnettool") + " --headless --dir " + Folder() + " --device-root " + Folder() +
               "/Sim/root " + options;
    }
    // The program with its window, on the offscreen platform.
    std::string Window(const std::string& options) const {
        return "env QT_QPA_PLATFORM=offscreen " + Tool("src/varnettool") + " --dir " + Folder() +
               " --device-root " + Folder() + "/Sim/root " + options;
    }

    // The station description's line of a drive gets one more fault (or, with
    // an empty fault, loses every gate).
    void SetFault(const std::string& drive, const std::string& fault) {
        const fs::path file = folder_ / "Sim/station.txt";
        std::stringstream in(test::ReadText(file));
        std::string text;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("drive " + drive + " ")) {
                if (fault.empty()) {
                    for (size_t at; (at = line.find(" fault=gate:")) != std::string::npos;)
                        line.erase(at, line.find(' ', at + 1) == std::string::npos
                                           ? std::string::npos
                                           : line.find(' ', at + 1) - at);
                } else {
                    line += " fault=" + fault;
                }
            }
            text += line + "\n";
        }
        test::WriteText(file, text);
    }

    // Started in the background; its output goes to files of the scratch folder.
    struct Launched {
        pid_t pid = -1;
        fs::path out, err;
    };
    Launched Launch(const std::string& options) { return LaunchCommand(Program(options)); }
    Launched LaunchCommand(const std::string& program) {
        Launched run;
        const int n = static_cast<int>(launched_.size());
        run.out = dir_.path() / ("out-" + std::to_string(n) + ".txt");
        run.err = dir_.path() / ("err-" + std::to_string(n) + ".txt");
        const std::string command = "exec " + program + " >" + run.out.string() + " 2>" + run.err.string();
        run.pid = ::fork();
        if (run.pid == 0) {
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        launched_.push_back(run.pid);
        return run;
    }
    static int WaitExit(const Launched& run) {
        int status = 0;
        if (::waitpid(run.pid, &status, 0) != run.pid)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    // Waits (bounded) for a row of the store to satisfy the condition.
    bool WaitForRow(const std::function<bool(const StoredRow&)>& wanted) const {
        for (int tries = 0; tries < 3000; ++tries) {
            if (fs::exists(ResultsDatabasePath(folder_)))
                for (const StoredRow& row : StoredRows(folder_))
                    if (wanted(row))
                        return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    fs::path binary_;
    test::TempDir dir_;
    fs::path folder_;
    std::vector<pid_t> launched_;
};

TEST_F(StationLifetime, ASecondProgramOnTheSameFolderIsRefusedWithTheHolderAndAKillFreesIt) {
    SetFault("1", "gate:GetIdentifyInfoBuf");
    const test::SimGate gate(folder_, "1", "GetIdentifyInfoBuf");
    const Launched first = Launch("--refresh");
    ASSERT_TRUE(gate.WaitReached()) << test::ReadText(first.err);
    // Port 1's identify is held, and the store says it runs.
    ASSERT_TRUE(WaitForRow([](const StoredRow& r) { return r.port == 1 && r.state == "RUNNING"; }));
    const std::vector<pid_t> hosts = HostsOf(first.pid);
    EXPECT_FALSE(hosts.empty());

    const std::string holder = "This station folder is in use by varnettool (PID " +
                               std::to_string(first.pid) + ") on " + HostName();
    for (const char* options : {"--refresh", "--config 04_MP.ini --start", ""}) {
        SCOPED_TRACE(options);
        const test::CommandRun second = test::RunCommand(Program(options) + " 2>&1");
        EXPECT_EQ(second.exitCode, 2);
        EXPECT_NE(second.output.find(holder), std::string::npos) << second.output;
    }
    // The window says so too, and (with nobody to pick another folder) ends.
    const test::CommandRun window = test::RunCommand(Window("--quit-when-shown") + " 2>&1");
    EXPECT_EQ(window.exitCode, 2);
    EXPECT_NE(window.output.find(holder), std::string::npos) << window.output;
    // Nothing the refused programs did touched the first one's live run.
    EXPECT_TRUE(WaitForRow([](const StoredRow& r) { return r.port == 1 && r.state == "RUNNING"; }));

    ASSERT_EQ(::kill(first.pid, SIGKILL), 0);
    EXPECT_EQ(WaitExit(first), 128 + SIGKILL);
    // The host held in its library call goes with its program.
    EXPECT_TRUE(AllGoneWithin(hosts, std::chrono::seconds(10)));

    // The folder is free; the listing takes it and marks what the kill cut short.
    SetFault("1", "");
    const test::CommandRun listing = test::RunCommand(Program("") + " 2>&1");
    EXPECT_EQ(listing.exitCode, 0) << listing.output;
    for (const StoredRow& row : StoredRows(folder_))
        EXPECT_NE(row.state, "RUNNING") << "port " << row.port;
    EXPECT_EQ(test::RunCommand(Program("--refresh") + " >/dev/null 2>&1").exitCode,
              1); // drive 19 fails identify
}

// A production run killed after it took its serial number, while the
// library puts the number on the drive: the journal's line of the number and
// the store's row, interrupted at the next start, still name it.
TEST_F(StationLifetime, AProductionRunKilledAfterTakingItsNumberStillNamesIt) {
    SetFault("3", "gate:DoPretestInit");
    const test::SimGate gate(folder_, "3", "DoPretestInit");
    const Launched run = Launch("--config 04_MP.ini --click 3");
    ASSERT_TRUE(gate.WaitReached()) << test::ReadText(run.err);
    ASSERT_EQ(::kill(run.pid, SIGKILL), 0);
    EXPECT_EQ(WaitExit(run), 128 + SIGKILL);

    std::string journal;
    for (const auto& entry : fs::recursive_directory_iterator(folder_ / "Log"))
        if (entry.path().filename() == "runs.jsonl")
            journal += test::ReadText(entry.path());
    const size_t taken = journal.find("\"station\":\"04_MP\",\"port\":3,");
    ASSERT_NE(taken, std::string::npos) << journal;
    const std::string line = journal.substr(taken, journal.find('\n', taken) - taken);
    EXPECT_NE(line.find("\"serial\":\"VN2612000001\""), std::string::npos) << line;
    EXPECT_NE(line.find("\"state\":\"RUNNING\""), std::string::npos) << line;

    SetFault("3", "");
    EXPECT_EQ(test::RunCommand(Program("") + " >/dev/null 2>&1").exitCode, 0);
    int interrupted = 0;
    for (const StoredRow& row : StoredRows(folder_)) {
        if (row.station != "04_MP")
            continue;
        ++interrupted;
        EXPECT_EQ(row.port, 3);
        EXPECT_EQ(row.state, "INTERRUPTED");
        EXPECT_EQ(row.serial, "VN2612000001");
    }
    EXPECT_EQ(interrupted, 1);
}

// A signal ends the run the way closing the window does: the held port's
// run is cut short after its grace, every other port's verdict is printed,
// nothing is left RUNNING, no host outlives the program, and the exit code
// names the signal.
TEST_F(StationLifetime, EndSignalsEndTheRunCleanly) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        // A station of its own each time: a second production run would
        // find the serial numbers and drives of the first.
        ASSERT_NO_FATAL_FAILURE(MakeStation(dir_.path() / ("signal-" + std::to_string(signal))));
        SetFault("3", "gate:DoPretestInit");
        const test::SimGate gate(folder_, "3", "DoPretestInit");
        const Launched run = Launch("--config 04_MP.ini --start");
        ASSERT_TRUE(gate.WaitReached()) << test::ReadText(run.err);
        const std::vector<pid_t> hosts = HostsOf(run.pid);
        EXPECT_FALSE(hosts.empty());
        ASSERT_EQ(::kill(run.pid, signal), 0);
        EXPECT_EQ(WaitExit(run), 128 + signal);

        std::map<int, std::string> kinds;
        std::istringstream lines(test::ReadText(run.out));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::string port, action, kind;
            std::getline(fields, port, '\t');
            std::getline(fields, action, '\t');
            std::getline(fields, kind, '\t');
            kinds[std::stoi(port)] = kind;
        }
        EXPECT_FALSE(kinds.contains(3)) << "port 3's run was cut short: no verdict of its drive";
        EXPECT_EQ(kinds.size(), 23u) << test::ReadText(run.out);
        int passed = 0;
        for (const auto& [port, kind] : kinds)
            passed += kind == "Pass" ? 1 : 0;
        // Drives 10 (an unknown flash part) and 19 fail identify.
        EXPECT_EQ(passed, 21) << test::ReadText(run.out);
        EXPECT_NE(test::ReadText(run.err).find("cut short: 3"), std::string::npos) << test::ReadText(run.err);

        const std::vector<StoredRow> rows = StoredRows(folder_);
        EXPECT_FALSE(rows.empty());
        for (const StoredRow& row : rows)
            EXPECT_NE(row.state, "RUNNING") << "port " << row.port << " " << row.station;
        EXPECT_TRUE(AllGoneWithin(hosts, std::chrono::seconds(10)));
    }
}

// The window ends on a signal as it closes, but without asking: the held
// port's run is cut short after its grace, nothing stays RUNNING, no host
// is left, and the exit code names the signal.
TEST_F(StationLifetime, TheWindowEndsOnASignalWithoutAsking) {
    SetFault("1", "gate:GetIdentifyInfoBuf");
    const test::SimGate gate(folder_, "1", "GetIdentifyInfoBuf");
    const Launched run = LaunchCommand(Window("--refresh"));
    ASSERT_TRUE(gate.WaitReached()) << test::ReadText(run.err);
    ASSERT_TRUE(WaitForRow([](const StoredRow& r) { return r.port == 1 && r.state == "RUNNING"; }));
    const std::vector<pid_t> hosts = HostsOf(run.pid);
    EXPECT_FALSE(hosts.empty());
    ASSERT_EQ(::kill(run.pid, SIGTERM), 0);
    EXPECT_EQ(WaitExit(run), 128 + SIGTERM) << test::ReadText(run.err);
    for (const StoredRow& row : StoredRows(folder_))
        EXPECT_NE(row.state, "RUNNING") << "port " << row.port << " " << row.station;
    EXPECT_TRUE(AllGoneWithin(hosts, std::chrono::seconds(10)));
}

} // namespace
} // namespace varnet

// The station program as an operator starts it: the window on a station that
// shows and closes again, a station folder it cannot start in, and a machine
// without a display, where the same station runs without a window.
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace varnet {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int exitCode = -1;
    std::string output; // standard output and error
};

ProgramRun RunProgram(const std::string& command) {
    ProgramRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(StationProgram, WindowOrNotAndWhyItCannotStart) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    const fs::path tools = binary;
    test::TempDir demo, empty;
    ASSERT_EQ(
        std::system(
            ((tools / "sim/varnet-sim").string() + " demo " + demo.path().string() + " >/dev/null").c_str()),
        0);
    const std::string program = (tools / "src/varnettool").string();
    const std::string onDemo =
        " --dir " + demo.path().string() + " --device-root " + demo.path().string() + "/Sim/root";
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    struct Case {
        std::string command;
        int exitCode;
        std::vector<std::string> said; // in the output
    };
    const Case cases[] = {
        {"env QT_QPA_PLATFORM=offscreen " + program + onDemo + " --quit-when-shown", 0, {}},
        {"env QT_QPA_PLATFORM=offscreen " + program + " --dir " + empty.path().string() +
             " --quit-when-shown",
         1,
         {"FlashInfo.dat is Missing!"}},
        // Without a display the station still runs: Refresh, then every port's line.
        {noDisplay + program + onDemo, 1, {"no display", "1\t2\tInfo\t", "19\t16\tFail\tIdentify Fail!"}},
        {"env QT_QPA_PLATFORM=offscreen " + program + onDemo + " --start",
         2,
         {"--start is for --headless runs"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const ProgramRun run = RunProgram(c.command);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        for (const std::string& said : c.said)
            EXPECT_NE(run.output.find(said), std::string::npos) << said << " in " << run.output;
    }
}

} // namespace
} // namespace varnet

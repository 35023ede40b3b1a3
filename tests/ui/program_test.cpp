// The station program as an operator starts it: the window on a station that
// shows and closes again, a station folder it cannot start in, and a machine
// without a display, where the same station runs without a window.
#include "shell_command.h"
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

// Standard output and error together.
test::CommandRun RunProgram(const std::string& command) {
    return test::RunCommand(command + " 2>&1");
}

TEST(StationProgram, WindowOrNotAndWhyItCannotStart) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    const fs::path tools = binary;
    test::TempDir demo, empty;
    ASSERT_EQ(std::system(((tools / "sim/varnet-sim").string() + " demo --instant " + demo.path().string() +
                           " >/dev/null")
                              .c_str()),
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
        const test::CommandRun run = RunProgram(c.command);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        for (const std::string& said : c.said)
            EXPECT_NE(run.output.find(said), std::string::npos) << said << " in " << run.output;
    }
}

} // namespace
} // namespace varnet

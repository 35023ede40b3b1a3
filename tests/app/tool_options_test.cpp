// What every shipped tool answers without a display or a station folder:
// --help and --version, and the start-up failures of the station program
// that must not read as a drive's verdict.
#include "shell_command.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace varnet {
namespace {

using Ran = test::CommandRun;

class ToolOptions : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "run through ctest";
        binary_ = binary;
    }
    // From an empty folder and with no display: neither may be needed.
    Ran Tool(const char* tool, const std::string& arguments) const {
        return test::RunCommand("cd " + empty_.path().string() +
                                " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                (binary_ / tool).string() + " " + arguments + " 2>&1");
    }
    std::filesystem::path binary_;
    test::TempDir empty_;
};

TEST_F(ToolOptions, EveryToolAnswersHelpAndVersionWithoutADisplayOrAStation) {
    for (const char* tool : {"src/varnettool", "src/varnet-flashdb", "sim/varnet-sim", "src/varnet-mphost"}) {
        const std::string name = std::filesystem::path(tool).filename().string();
        const Ran help = Tool(tool, "--help");
        EXPECT_EQ(help.exitCode, 0) << tool << "\n" << help.output;
        EXPECT_NE(help.output.find("usage: " + name), std::string::npos) << help.output;
        EXPECT_NE(help.output.find("Exit codes"), std::string::npos) << help.output;
        const Ran version = Tool(tool, "--version");
        EXPECT_EQ(version.exitCode, 0) << tool << "\n" << version.output;
        EXPECT_EQ(version.output.rfind(name + " ", 0), 0u) << version.output;
        EXPECT_TRUE(std::filesystem::is_empty(empty_.path()))
            << tool << " wrote into the folder it was run from";
    }
}

TEST_F(ToolOptions, AStationFolderThatDoesNotExistIsAStartUpFailure) {
    const Ran ran =
        Tool("src/varnettool", "--headless --dir " + (empty_.path() / "nowhere").string() + " --refresh");
    EXPECT_EQ(ran.exitCode, 2) << ran.output;
    EXPECT_NE(ran.output.find("nowhere"), std::string::npos) << ran.output;
}

TEST_F(ToolOptions, AMissingStationFileIsNamedAndRefused) {
    test::TempDir station;
    const std::string folder = station.path().string();
    ASSERT_EQ(
        test::RunCommand((binary_ / "sim/varnet-sim").string() + " demo --instant " + folder + " >/dev/null")
            .exitCode,
        0);
    const Ran ran = Tool("src/varnettool", "--headless --dir " + folder + " --device-root " + folder +
                                               "/Sim/root --config 09_Missing.ini --start");
    EXPECT_EQ(ran.exitCode, 2) << ran.output;
    EXPECT_NE(ran.output.find("09_Missing.ini"), std::string::npos) << ran.output;
}

// Started from the desktop menu there is no --dir: the folder used last is
// taken, and without one the runner cannot ask and gives up.
TEST_F(ToolOptions, WithoutDirTheRememberedStationIsUsedAndWithoutOneTheRunnerGivesUp) {
    test::TempDir home;
    const std::string env = "env HOME=" + home.path().string() + " XDG_CONFIG_HOME= ";
    const Ran none =
        test::RunCommand(env + (binary_ / "src/varnettool").string() + " --headless --refresh 2>&1");
    EXPECT_EQ(none.exitCode, 2) << none.output;
    EXPECT_NE(none.output.find("no station folder"), std::string::npos) << none.output;

    const std::filesystem::path station = home.path() / "line";
    ASSERT_EQ(test::RunCommand((binary_ / "sim/varnet-sim").string() + " demo --instant " + station.string() +
                               " >/dev/null")
                  .exitCode,
              0);
    std::filesystem::create_directories(home.path() / ".config/varnettool");
    test::WriteText(home.path() / ".config/varnettool/varnettool.ini",
                    "[Station]\nFolder=" + station.string() + "\n");
    // The demo station's own simulated drives, with no --device-root either.
    const Ran remembered =
        test::RunCommand(env + (binary_ / "src/varnettool").string() + " --headless --refresh 2>&1");
    EXPECT_EQ(remembered.exitCode, 1) << remembered.output; // drive 19 fails identify on purpose
    EXPECT_NE(remembered.output.find("SIM24"), std::string::npos) << remembered.output;
}

} // namespace
} // namespace varnet

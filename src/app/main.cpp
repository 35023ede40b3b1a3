// varnettool: the station program.
#include "app/command_line.h"
#include "app/headless_runner.h"
#include "app/station_overview.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The program folder is the working folder, so "./x" and the folder's "x" agree.
std::filesystem::path ProgramFolder(const varnet::CommandLine& line) {
    if (!line.dir.empty())
        return std::filesystem::absolute(line.dir);
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto line = varnet::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!line) {
        std::fprintf(stderr,
                     "varnettool: %s\nusage: varnettool --headless [--dir FOLDER] [--device-root FOLDER] [--config FILE.ini]\n"
                     "                  [--refresh] [--start] [--click PORT]... [--json]\n",
                     error.c_str());
        return 2;
    }
    if (!line->headless) {
        std::fprintf(stderr, "varnettool: this build has no window yet; start it with --headless\n");
        return 2;
    }
    const std::filesystem::path appDir = ProgramFolder(*line);
    // The program works in its own folder; a device root named relative to
    // where it was started must still name the same folder afterwards.
    varnet::CommandLine options = *line;
    if (!options.deviceRoot.empty())
        options.deviceRoot = std::filesystem::absolute(options.deviceRoot).string();
    if (::chdir(appDir.c_str()) != 0) {
        std::perror(appDir.c_str());
        return 1;
    }
    if (!options.RunsSomething())
        return varnet::PrintStationOverview(".", stdout);
    return varnet::RunHeadless(options, appDir, stdout, stderr);
}

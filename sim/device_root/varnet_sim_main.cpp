// varnet-sim: the operator's handle on the simulated station.
//   varnet-sim demo [--instant] <folder>  a complete demo station folder
//   varnet-sim plug <folder> <drive>  attach a drive of <folder>/Sim/station.txt
//   varnet-sim unplug <folder> <drive>
//   varnet-sim root <description> <root folder>   only a device root
// Exit status: 0 done, 1 failed (the reason on stderr), 2 bad arguments.
#include "demo_station.h"
#include "device_root_writer.h"
#include "platform/text_format.h"
#include "station_description.h"
#include "varnet_version.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace fs = std::filesystem;
using namespace varnet;

namespace {

constexpr const char* kUsage = "usage: varnet-sim demo [--instant] <folder>\n"
                               "       varnet-sim plug <folder> <drive>\n"
                               "       varnet-sim unplug <folder> <drive>\n"
                               "       varnet-sim root <description> <root folder>\n"
                               "       varnet-sim --help | --version\n"
                               "\n"
                               "The simulated station: a demo station folder with 24 simulated drives,\n"
                               "plugging and pulling its drives, or a device root from a description.\n"
                               "The demo's library calls take a few seconds each, as on a line;\n"
                               "with --instant they take no time (tests, benchmarks).\n"
                               "Exit codes: 0 done, 1 failed (the reason on stderr), 2 wrong arguments.\n";

int Report(const Status& status) {
    if (status.ok())
        return 0;
    std::fprintf(stderr, "varnet-sim: %s\n", status.message().c_str());
    return 1;
}

int Demo(const fs::path& folder, DemoPace pace) {
    if (Status written = WriteDemoStation(folder, pace); !written.ok())
        return Report(written);
    // The stand-in libraries are built beside this program.
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return Report(Status::Error(Format("cannot find my own folder: %s", ec.message().c_str())));
    std::string warning;
    if (Status copied = CopyStationLibraries(self.parent_path(), folder, warning); !copied.ok())
        return Report(copied);
    if (!warning.empty())
        std::fprintf(stderr, "varnet-sim: warning: %s\n", warning.c_str());
    std::printf("demo station ready in %s (settings password \"%s\")\n", folder.c_str(),
                kDemoSettingsPassword);
    return 0;
}

int ChangeDrive(const fs::path& folder, const std::string& drive, bool plug) {
    const fs::path sim = folder / "Sim";
    sim::StationDescription description;
    if (Status loaded = sim::LoadStationDescription(sim / "station.txt", description); !loaded.ok())
        return Report(loaded);
    return Report(plug ? sim::PlugDrive(description, sim / "root", sim, drive)
                       : sim::UnplugDrive(description, sim / "root", sim, drive));
}

int Root(const fs::path& descriptionFile, const fs::path& root) {
    sim::StationDescription description;
    if (Status loaded = sim::LoadStationDescription(descriptionFile, description); !loaded.ok())
        return Report(loaded);
    return Report(sim::WriteDeviceRoot(description, root, fs::path()));
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (argc == 2 && (command == "--help" || command == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && command == "--version") {
        std::printf("varnet-sim %s\n", VARNET_VERSION);
        return 0;
    }
    if (command == "demo" && argc == 3)
        return Demo(argv[2], DemoPace::kLine);
    if (command == "demo" && argc == 4 && std::string_view(argv[2]) == "--instant")
        return Demo(argv[3], DemoPace::kInstant);
    if ((command == "plug" || command == "unplug") && argc == 4)
        return ChangeDrive(argv[2], argv[3], command == "plug");
    if (command == "root" && argc == 4)
        return Root(argv[2], argv[3]);
    std::fputs(kUsage, stderr);
    return 2;
}

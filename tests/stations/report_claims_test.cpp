// The report paths of one batch: a path another port has is never handed out
// again (the port gets a folder of its own), whatever the letter case, and
// without a collision the path is the one the log tree names.
#include "stations/report_claims.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace varnet {
namespace {

const std::filesystem::path kFolder = "/srv/station/Log/20261210/04_MP/";

struct ClaimCase {
    const char* what;
    int port;
    std::filesystem::path folder;
    const char* name;
    std::filesystem::path expected;
};

TEST(ReportClaims, APathAnotherPortHasGoesIntoThePortsOwnFolder) {
    const std::filesystem::path other = "/srv/station/Log/20261210/02_RDT/";
    const ClaimCase claims[] = {
        {"first claim", 0, kFolder, "Report_SN1_1.txt", kFolder / "Report_SN1_1.txt"},
        {"same path, port 3", 2, kFolder, "Report_SN1_1.txt", kFolder / "P03/Report_SN1_1.txt"},
        {"same path in other letters, port 9", 8, kFolder, "REPORT_sn1_1.TXT",
         kFolder / "P09/REPORT_sn1_1.TXT"},
        {"a port claims its own path again", 0, kFolder, "Report_SN1_1.txt", kFolder / "Report_SN1_1.txt"},
        {"and its own folder again", 2, kFolder, "Report_SN1_1.txt", kFolder / "P03/Report_SN1_1.txt"},
        {"another name", 1, kFolder, "Report_SN2_1.txt", kFolder / "Report_SN2_1.txt"},
        {"the same name in another folder", 2, other, "Report_SN1_1.txt", other / "Report_SN1_1.txt"},
    };
    ReportClaims batch;
    for (const ClaimCase& c : claims)
        EXPECT_EQ(batch.Claim(c.port, c.folder, c.name), c.expected) << c.what;

    batch.Reset();
    EXPECT_EQ(batch.Claim(2, kFolder, "Report_SN1_1.txt"), kFolder / "Report_SN1_1.txt");
}

TEST(ReportClaims, TwentyFourPortsClaimingOneNameAtOnceGetAPathEach) {
    ReportClaims batch;
    std::vector<std::filesystem::path> paths(24);
    std::vector<std::thread> ports;
    for (int port = 0; port < 24; ++port)
        ports.emplace_back([&, port] { paths[port] = batch.Claim(port, kFolder, "Report__1.txt"); });
    for (std::thread& port : ports)
        port.join();

    EXPECT_EQ(std::set<std::filesystem::path>(paths.begin(), paths.end()).size(), 24u);
    int shared = 0;
    for (int port = 0; port < 24; ++port) {
        if (paths[port] == kFolder / "Report__1.txt")
            ++shared;
        else
            EXPECT_EQ(paths[port].parent_path().filename(),
                      (port < 9 ? "P0" : "P") + std::to_string(port + 1));
    }
    EXPECT_EQ(shared, 1);
}

} // namespace
} // namespace varnet

// The report paths the ports of one batch hand to the device library, so that
// no two ports of a batch write, and read, the same file. Ports whose drives
// get one serial number (a unified number, the same scanned number on two
// ports, two numbers the file-name cleaning maps to one name, empty ones)
// would otherwise all name the same report: one file would be left, and every
// port would read that one port's counts as its own.
//
// A path another port claimed since the batch began is not handed out again:
// the port gets a folder of its own under the station's folder ("P03/" for
// port 3) and the same file name there. Paths are compared without regard
// to case, as reports are looked for. A port may claim a path it claimed
// before (a tile click on it again); the claims of ports not in this run
// stay, so that no report of the batch is overwritten.
//
// Threads: Claim from any thread (the 24 port workers claim at once), Reset
// on the interface thread when a batch starts. Claims cannot fail.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnet {

class ReportClaims {
public:
    // Forgets every claim: a new batch begins.
    void Reset();

    // The path of the report `name` that port (0-based) has written into
    // folder, claimed for the port: folder / name, or folder / "P<nn>" / name
    // (nn the port number, two digits) when another port claimed the first.
    // The folder of the path returned may have to be created.
    std::filesystem::path Claim(int port, const std::filesystem::path& folder, std::string_view name);

private:
    // True when the path is the port's now (free, or already its own).
    bool TryClaim(int port, const std::filesystem::path& path);

    std::mutex mutex_;
    std::unordered_map<std::string, int> owners_; // lower-case path -> port
};

} // namespace varnet

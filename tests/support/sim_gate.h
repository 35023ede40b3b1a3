// The stand-in library's gate fault seen from a test: a drive described with
// fault=gate:<entry> holds that call at Sim/gate-<drive>-<entry> of the
// station folder until the test lets it through, whichever process runs it.
//
//   SimGate gate(folder, "3", "DoEraseAll");
//   ASSERT_TRUE(gate.WaitReached());   // the call is held now
//   ...                                // signals, kills, checks
//   ASSERT_TRUE(gate.Release());       // one call goes on
//
// WaitReached polls for the .reached file within a generous bound (a
// failure, not a hang, when the call never comes); Release never blocks on a
// gate nobody waits at (false then).
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace varnet::test {

class SimGate {
public:
    SimGate(std::filesystem::path stationFolder, const std::string& drive, const std::string& entry);

    const std::filesystem::path& Fifo() const { return fifo_; }
    const std::filesystem::path& Reached() const { return reached_; }

    bool WaitReached(std::chrono::milliseconds bound = std::chrono::seconds(60)) const;
    bool Release() const;

private:
    std::filesystem::path fifo_;
    std::filesystem::path reached_;
};

} // namespace varnet::test

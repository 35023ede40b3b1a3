#include "burn_in.h"

#include <algorithm>
#include <random>

namespace varnet::sim {
namespace {

constexpr int kLoggedCycles = 8;
constexpr int kStepsPerCycle = 4;
constexpr int kStepMs = 10 * 60 * 1000;
constexpr int kPagesPerBlock = 1152;

int Uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, std::max(low, high))(random);
}

} // namespace

BurnInRecord RunDriveTest(const DriveState& state, const StationSettings& settings, int celsius,
                          const std::vector<BadBlock>& failing) {
    BurnInRecord r;
    r.done = true;
    r.firmware = BurnInRevision(state.productionFirmware);
    r.tlcLoop = settings.tlcLoop;
    r.slcLoop = settings.slcLoop;
    r.eccThreshold = settings.eccThreshold > 0 ? settings.eccThreshold : kDefaultEccThreshold;
    r.slcEccThreshold = settings.slcEccThreshold > 0 ? settings.slcEccThreshold : kDefaultSlcEccThreshold;

    // Loop 0 is the TLC (or MLC) loop, loop 1 the SLC loop; a run always
    // logs at least one cycle.
    const int loops[] = {std::max(r.tlcLoop, r.slcLoop > 0 ? 0 : 1), r.slcLoop};
    int elapsedMs = 0;
    for (int loop = 0; loop < 2; ++loop) {
        for (int cycle = 0; cycle < std::min(loops[loop], kLoggedCycles); ++cycle) {
            for (int step = 0; step < kStepsPerCycle; ++step) {
                TemperatureReading t;
                t.loop = loop;
                t.cycle = cycle;
                t.step = step;
                for (size_t k = 0; k < t.celsius.size(); ++k)
                    t.celsius[k] =
                        celsius + static_cast<int>((static_cast<size_t>(cycle + step) + k) % 5) - 2;
                elapsedMs += kStepMs;
                t.timeMs = elapsedMs;
                r.readings.push_back(t);
            }
        }
    }
    r.seconds = elapsedMs / 1000;

    std::mt19937 random(DriveSeed(state.name) ^ 0x0B0B0B0Bu);
    const int cycles = std::max<int>(1, std::min(std::max(r.tlcLoop, 1), kLoggedCycles));
    for (const BadBlock& block : failing) {
        BurnInFail f;
        f.block = block;
        f.page = Uniform(random, 0, kPagesPerBlock - 1);
        f.totalLoop = std::max(r.tlcLoop, 1);
        f.runLoop = Uniform(random, 0, f.totalLoop - 1);
        f.runCycle = Uniform(random, 0, cycles - 1);
        f.step = Uniform(random, 0, kStepsPerCycle - 1);
        f.stage = Uniform(random, 0, 3);
        if (block.kind == FailKind::ReadOverThreshold)
            f.overThresholdBits = r.eccThreshold + Uniform(random, 1, 20);
        f.timeStamp = Uniform(random, 1, std::max(r.seconds, 1));
        r.fails.push_back(f);
    }
    return r;
}

BurnInRecord RunBuiltInTest(const DriveState& state, const StationSettings& settings, int celsius) {
    StationSettings quick = settings;
    quick.tlcLoop = std::min(settings.tlcLoop, 1);
    quick.slcLoop = std::min(settings.slcLoop, 1);
    return RunDriveTest(state, quick, celsius, LaterBadBlocks(state));
}

} // namespace varnet::sim

#include "report_common.h"
#include "report_writers.h"

#include "platform/text_format.h"

#include <algorithm>
#include <tuple>

namespace varnet::sim {
namespace {

// What a limit of "none" is written as.
constexpr int kNoLimit = 9999;
// The firmware's own limit of later bad blocks per die when the limits file
// sets none.
constexpr int kDefaultLaterBadPerDie = 10;

const char* FailTypeText(FailKind kind) {
    switch (kind) {
    case FailKind::Erase:
        return "Erase fail";
    case FailKind::Program:
        return "Program fail";
    case FailKind::ReadUncorrectable:
        return "Read uncorrectable fail";
    case FailKind::ReadOverThreshold:
        return "Read correctable bit over threshold";
    }
    return "Read uncorrectable fail";
}

std::string NaOr(int value, bool present) {
    return present ? Format("%d", value) : std::string("NA");
}

int Limit(uint32_t byteLimit) {
    return byteLimit == 0xFF ? kNoLimit : static_cast<int>(byteLimit);
}

std::string Clock(int seconds) {
    return Format("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

struct FailRow {
    int ce = 0;
    int die = 0;
    int block = 0;
    std::string text;
};

} // namespace

std::string RdtReportText(const DriveState& state, const BurnInRecord& run, const StationSettings& spec,
                          std::string_view failMessage) {
    const FlashGeometry& flash = state.flash;
    const std::vector<BadBlock> original = OriginalBadBlocks(state);
    std::vector<BadBlock> failed;
    for (const BurnInFail& f : run.fails)
        failed.push_back(f.block);
    const BlockCounts early = CountBlocks(original, flash.planes);
    const BlockCounts later = CountBlocks(failed, flash.planes);

    ReportLines out;
    if (!failMessage.empty())
        out.Add("[ Fail ]  Error Message : " + std::string(failMessage));
    out.Add("ISP FW: " + state.firmware + ", RDT image");
    out.Add("Station: " + StationLabel(spec.testStationSel));
    out.Add("RDT FW : " + run.firmware);
    out.Add("Total testing time=" + Clock(run.seconds));
    out.Add(Format("Die per CE=%d", flash.diePerCe));
    out.Add(
        Format("RDT setting (TLC/MLC loop, SLC loop, ECC threshold, SLC ECC threshold) = (%d, %d, %d, %d):",
               run.tlcLoop, run.slcLoop, run.eccThreshold, run.slcEccThreshold));
    out.Add("");

    // With an SLC loop the table names the loop of each reading.
    const bool withLoop = run.slcLoop > 0;
    out.Add(withLoop ? "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)"
                     : "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)");
    out.Add("DDR Test pass, cycle 0");
    for (const TemperatureReading& t : run.readings) {
        std::string line = withLoop ? Format("%d,", t.loop) : std::string();
        line += Format("%d,%d", t.cycle, t.step);
        for (const int c : t.celsius)
            line += Format(",%d", c);
        out.Add(line + Format(",%d", t.timeMs));
    }
    out.Add("");

    if (spec.retentionTest != 0)
        out.Add("Write Rentention Mark");
    if (spec.failLimitsEnabled) {
        const int maxLater = spec.totalFailLimit != 0xFF ? static_cast<int>(spec.totalFailLimit)
                                                         : spec.laterBadSpec.value_or(kNoLimit);
        const int perCe = spec.laterBadPerCeSpec.value_or(maxLater);
        out.Add(
            Format("(max later bad, max later bad per CE, max later bad per plane per CE, max erase fail, "
                   "max program fail, max read fail, enable max fail) = (%d, %d, %d, %d, %d, %d, 1)",
                   maxLater, perCe, spec.laterBadPerPlaneSpec.value_or(perCe), Limit(spec.eraseFailLimit),
                   Limit(spec.programFailLimit), Limit(spec.readFailLimit)));
    } else if (spec.laterBadSpec) {
        const int perCe = spec.laterBadPerCeSpec.value_or(*spec.laterBadSpec);
        out.Add(Format("(max later bad, max later bad per CE, max later bad per plane per CE) = (%d, %d, %d)",
                       *spec.laterBadSpec, perCe, spec.laterBadPerPlaneSpec.value_or(perCe)));
    }

    out.Add("Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,"
            "Step number,Stage number,Over threshold correctable bit,Time Stamp");
    std::vector<FailRow> rows;
    for (const BadBlock& b : original) {
        rows.push_back({b.ce, b.die, b.block,
                        Format("Factory bad block,%d,%d,%d,0x%X,0,%d,0,0,NA,NA,NA,NA", b.ce, b.ce / 8,
                               b.block % flash.planes, static_cast<unsigned>(b.block), run.tlcLoop)});
    }
    for (const BurnInFail& f : run.fails) {
        const BadBlock& b = f.block;
        rows.push_back(
            {b.ce, b.die, b.block,
             Format("%s,%d,%d,%d,0x%X,%d,%d,%d,%d,%d,%d,%s,%d", FailTypeText(b.kind), b.ce, b.ce / 8,
                    b.block % flash.planes, static_cast<unsigned>(b.block), f.page, f.totalLoop, f.runLoop,
                    f.runCycle, f.step, f.stage,
                    NaOr(f.overThresholdBits, b.kind == FailKind::ReadOverThreshold).c_str(), f.timeStamp)});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const FailRow& a, const FailRow& b) {
        return std::tie(a.ce, a.die, a.block) < std::tie(b.ce, b.die, b.block);
    });
    for (const FailRow& row : rows)
        out.Add(row.text);

    out.Add(Format("Setting Total Later Bad Spec Per Die = %d",
                   spec.laterBadPerDieSpec.value_or(kDefaultLaterBadPerDie)));
    for (const int ce : ReportedCes(flash, 0)) {
        for (int die = 0; die < flash.diePerCe && die < kReportDies; ++die) {
            for (int plane = 0; plane < flash.planes && plane < kReportPlanes; ++plane) {
                const int e =
                    early[static_cast<size_t>(ce)][static_cast<size_t>(die)][static_cast<size_t>(plane)];
                const int l =
                    later[static_cast<size_t>(ce)][static_cast<size_t>(die)][static_cast<size_t>(plane)];
                out.Add(Format("CE_%d,Die_%d,Plane_%d, All Bad=%d, Early Bad=%d, Later Bad=%d", ce, die,
                               plane, e + l, e, l));
            }
        }
    }
    out.Add("");

    out.Add("[General Info]");
    out.Add(Format("TestStationSel=%d", spec.testStationSel));
    out.Add("[RDT]");
    out.Add(Format("FailProgramLimitSel=%d", spec.limitSelections[0]));
    out.Add(Format("FailEraseLimitSel=%d", spec.limitSelections[1]));
    out.Add(Format("FailReadLimitSel=%d", spec.limitSelections[2]));
    out.Add(Format("FailTotalLimitSel=%d", spec.limitSelections[3]));
    out.Add("[Options]");
    out.Add(Format("Retention_Test=%d", spec.retentionTest));
    return out.Take();
}

std::string BurnInSpecViolation(const DriveState& state, const BurnInRecord& run,
                                const StationSettings& spec) {
    const FlashGeometry& flash = state.flash;
    std::vector<BadBlock> failed;
    for (const BurnInFail& f : run.fails)
        failed.push_back(f.block);
    const BlockCounts early = CountBlocks(OriginalBadBlocks(state), flash.planes);
    const BlockCounts later = CountBlocks(failed, flash.planes);

    int earlyTotal = 0;
    int laterTotal = 0;
    int laterPerDie = 0;
    int totalPerDie = 0;
    int laterPerPlane = 0;
    int totalPerPlane = 0;
    for (size_t ce = 0; ce < early.size(); ++ce) {
        for (size_t die = 0; die < early[ce].size(); ++die) {
            int laterDie = 0;
            int totalDie = 0;
            for (size_t plane = 0; plane < early[ce][die].size(); ++plane) {
                const int e = early[ce][die][plane];
                const int l = later[ce][die][plane];
                earlyTotal += e;
                laterTotal += l;
                laterDie += l;
                totalDie += e + l;
                laterPerPlane = std::max(laterPerPlane, l);
                totalPerPlane = std::max(totalPerPlane, e + l);
            }
            laterPerDie = std::max(laterPerDie, laterDie);
            totalPerDie = std::max(totalPerDie, totalDie);
        }
    }
    const struct {
        const std::optional<int>& spec;
        int value;
        const char* what;
    } checks[] = {
        {spec.earlyBadSpec, earlyTotal, "Early bad blocks"},
        {spec.laterBadSpec, laterTotal, "Later bad blocks"},
        {spec.laterBadPerDieSpec, laterPerDie, "Later bad blocks of a die"},
        {spec.laterBadPerPlaneSpec, laterPerPlane, "Later bad blocks of a plane"},
        {spec.totalBadPerDieSpec, totalPerDie, "Bad blocks of a die"},
        {spec.totalBadPerPlaneSpec, totalPerPlane, "Bad blocks of a plane"},
    };
    for (const auto& check : checks) {
        if (check.spec && check.value > *check.spec)
            return Format("%s over spec: %d > %d", check.what, check.value, *check.spec);
    }
    return {};
}

} // namespace varnet::sim

#include "rdt_report_generator.h"
#include "generator_random.h"

#include "platform/text_format.h"

#include <algorithm>
#include <random>
#include <string_view>

namespace varnet::test {
namespace {

class Lines {
public:
    explicit Lines(const char* lineEnd) : lineEnd_(lineEnd) {}
    void Add(std::string_view line) {
        text_ += line;
        text_ += lineEnd_;
    }
    std::string Take() { return std::move(text_); }

private:
    std::string_view lineEnd_;
    std::string text_;
};

std::string NaOr(const std::optional<int>& value) {
    return value ? Format("%d", *value) : std::string("NA");
}

std::string TemperatureLine(const RdtTemperatureLine& t, bool nineColumns) {
    if (t.ddrTest)
        return Format("DDR Test pass, cycle %d", t.cycle);
    std::string line = nineColumns ? Format("%d,", t.loop) : std::string();
    line += Format("%d,%d", t.cycle, t.step);
    for (const int value : t.temperatures)
        line += Format(",%d", value);
    return line + Format(",%d", t.timeMs);
}

constexpr const char* kFailTypes[] = {
    "Factory bad block",
    "Read correctable bit over threshold",
    "Read uncorrectable fail",
    "Read Page All Data 00",
    "Read retry fail",
    "Erase fail",
    "Program fail",
    "Program status fail",
    "Power loss",
};

std::string AbsurdNumber(std::mt19937& random) {
    switch (Uniform(random, 0, 5)) {
    case 0:
        return "99999999999999999999";
    case 5: // read as 12 where spaces are taken out, as 1 where they are not
        return Format(" %d %d", Uniform(random, 1, 9), Uniform(random, 0, 9));
    case 1:
        return "-2147483649";
    case 2:
        return Format("%d", -Uniform(random, 1, 300));
    case 3:
        return "1000000000000000000000000000000";
    default:
        return Format("0%d", Uniform(random, 0, 9));
    }
}

// Text that looks like parts of a report in the wrong place, and bytes that
// look like nothing at all.
std::string GarbageFragment(std::mt19937& random) {
    switch (Uniform(random, 0, 21)) {
    case 0:
        return Format("CE_%d,Die_%d,Plane_%d,", Uniform(random, 0, 40), Uniform(random, 0, 9),
                      Uniform(random, 0, 5));
    case 1:
        return Format("All Bad=%d,", Uniform(random, -5, 50));
    case 2:
        return Format("Early Bad= %d ,", Uniform(random, 0, 50));
    case 3:
        return Format("Later Bad=%d", Uniform(random, 0, 50));
    case 4:
        return Format("[Error]Test %s Speed Over SPEC in CE_%d", Uniform(random, 0, 1) ? "TLC" : "SLC",
                      Uniform(random, 0, 40));
    case 5:
        return "Setting Total Later Bad";
    case 6:
        return "DDR Test";
    case 7:
        return "(TLC/MLC loop, SLC loop,";
    case 8:
        return "(max later bad, max later bad per CE, max later bad per plane per CE";
    case 9:
        return "Write Rentention Mark";
    case 10:
        return Uniform(random, 0, 1) ? "[RDT]" : "[Options]";
    case 11:
        return Format("Retention_Test=%d", Uniform(random, 0, 3));
    case 12:
        return Format("FailTotalLimitSel=%d", Uniform(random, 0, 12));
    case 13:
        return std::string(1, ",=()\r\n \t:;["[Uniform(random, 0, 11)]);
    case 14:
        return Uniform(random, 0, 1) ? "NA" : "0x";
    case 15:
        return AbsurdNumber(random);
    case 16:
        return "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)";
    case 17:
        return Format("%d,%d,%d,%d,%d,%d,%d,%d,%d", Uniform(random, 0, 9), Uniform(random, 0, 9),
                      Uniform(random, 20, 90), Uniform(random, 20, 90), Uniform(random, 20, 90),
                      Uniform(random, 20, 90), Uniform(random, -5, 90), Uniform(random, 20, 90),
                      Uniform(random, 0, 999));
    case 18:
        return "[ Fail ]  Error Message :";
    case 19:
        return Format("TestStationSel=%d", Uniform(random, 0, 9));
    default:
        return RandomBytes(random);
    }
}

std::string Distort(const std::string& report, const RdtReportOptions& options, std::mt19937& random) {
    if (options.dropLines <= 0 && options.shuffleLines <= 0 && options.garbage <= 0)
        return report;
    std::vector<std::string> lines;
    for (std::string& line : SplitLines(report)) {
        if (Chance(random, options.dropLines))
            continue;
        if (Chance(random, options.garbage)) {
            if (Uniform(random, 0, 1) == 0)
                lines.push_back(GarbageFragment(random) + "\r\n");
            else
                line.insert(static_cast<size_t>(Uniform(random, 0, static_cast<int>(line.size()))),
                            GarbageFragment(random));
        }
        lines.push_back(std::move(line));
    }
    const size_t moves = static_cast<size_t>(static_cast<double>(lines.size()) * options.shuffleLines);
    for (size_t m = 0; m < moves && lines.size() > 1; ++m) {
        const size_t from = static_cast<size_t>(Uniform(random, 0, static_cast<int>(lines.size()) - 1));
        std::string line = std::move(lines[from]);
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from));
        lines.insert(lines.begin() + Uniform(random, 0, static_cast<int>(lines.size())), std::move(line));
    }
    std::string out;
    for (const std::string& line : lines)
        out += line;
    return out;
}

} // namespace

// The library's layout of the report: header lines, the settings line, the
// temperature table, speed errors, the retention mark, the limits, the fail
// list, the bad-block counts per CE, die and plane, and the run's
// configuration in INI form at the end. The simulated device library is to
// write its reports in this layout, with this function, so that the reader
// and the simulation agree on one layout.
std::string WriteRdtReport(const RdtReportContent& c) {
    Lines out(c.lineEnd);
    if (!c.failMessage.empty())
        out.Add("[ Fail ]  Error Message : " + c.failMessage);
    out.Add("ISP FW: " + c.ispFw + ", RDT image");
    out.Add("Station: RDT");
    out.Add("RDT FW : " + c.rdtFw);
    out.Add("Total testing time=" + c.testingTime);
    out.Add(Format("Die per CE=%d", c.diePerCe));
    const std::string settings =
        Format("RDT setting (TLC/MLC loop, SLC loop, ECC threshold, SLC ECC threshold) = (%d, %d, %d, %d):",
               c.settings[0], c.settings[1], c.settings[2], c.settings[3]);
    if (c.failListHeader)
        out.Add(settings);
    out.Add("");

    out.Add(c.nineColumnTemperatures ? "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)"
                                     : "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)");
    for (const RdtTemperatureLine& t : c.temperatures)
        out.Add(TemperatureLine(t, c.nineColumnTemperatures));
    out.Add("");

    for (const auto& [kind, ce] : c.speedErrors)
        out.Add("[Error]Test " + kind + " Speed Over SPEC in CE_" + ce);
    if (c.retentionMark)
        out.Add("Write Rentention Mark");

    const auto& l = c.limits;
    if (c.limitsForm == 3)
        out.Add(Format("(max later bad, max later bad per CE, max later bad per plane per CE) = (%d, %d, %d)",
                       l[0], l[1], l[2]));
    else if (c.limitsForm == 7)
        out.Add(
            Format("(max later bad, max later bad per CE, max later bad per plane per CE, max erase fail, "
                   "max program fail, max read fail, enable max fail) = (%d, %d, %d, %d, %d, %d, %d)",
                   l[0], l[1], l[2], l[3], l[4], l[5], l[6]));
    if (c.failListHeader) {
        out.Add("Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,"
                "Step number,Stage number,Over threshold correctable bit,Time Stamp");
    } else {
        out.Add(settings);
        out.Add("------------------------------------------------------------");
    }
    for (const RdtFailRow& row : c.failRows) {
        out.Add(Format("%s,%s,%d,%s,0x%X,%d,%d,%d,%d,%s,%s,%s,%s", row.failType.c_str(), row.ce.c_str(),
                       row.channel, row.plane.c_str(), row.block, row.page, row.totalLoop, row.runLoop,
                       row.runCycle, NaOr(row.step).c_str(), NaOr(row.stage).c_str(),
                       NaOr(row.overThresholdBits).c_str(), NaOr(row.timeStamp).c_str()));
    }

    out.Add("Setting Total Later Bad Spec Per Die = 10");
    for (const RdtPlaneLine& p : c.planeLines) {
        out.Add(Format("CE_%d,Die_%d,Plane_%d, All Bad=%s, Early Bad=%s, Later Bad=%s", p.ce, p.die, p.plane,
                       p.all.c_str(), p.early.c_str(), p.later.c_str()));
    }
    out.Add("");

    out.Add("[General Info]");
    out.Add(Format("TestStationSel=%d", c.testStationSel));
    out.Add("TestStation=RDT");
    out.Add("[RDT]");
    out.Add(Format("FailProgramLimitSel=%d", c.limitSelections[0]));
    out.Add(Format("FailEraseLimitSel=%d", c.limitSelections[1]));
    out.Add(Format("FailReadLimitSel=%d", c.limitSelections[2]));
    out.Add(Format("FailTotalLimitSel=%d", c.limitSelections[3]));
    out.Add("[Options]");
    out.Add(Format("Retention_Test=%d", c.retentionTest));
    out.Add("DDRSize=32");
    return out.Take();
}

RdtReportContent RandomRdtContent(const RdtReportOptions& o) {
    std::mt19937 random(o.seed);
    RdtReportContent c;
    c.lineEnd = o.lineFeedsOnly ? "\n" : "\r\n";
    c.diePerCe = o.dies;
    c.nineColumnTemperatures = o.nineColumns;
    c.limitsForm = o.limitsForm;
    c.failListHeader = o.failListHeader;
    c.limits = {
        Uniform(random, 0, 20), 5, 2, Uniform(random, 0, 20), Uniform(random, 0, 20), Uniform(random, 0, 20),
        Uniform(random, 0, 1)};
    c.retentionMark = Uniform(random, 0, 3) == 0;
    c.testStationSel = Uniform(random, 0, 7);
    for (int& selection : c.limitSelections)
        selection = Uniform(random, 0, 2) == 0 ? Uniform(random, 0, 12) : 0;
    c.retentionTest = Uniform(random, 0, 4) == 0 ? 2 : Uniform(random, 0, 1);
    if (Uniform(random, 0, 4) == 0)
        c.failMessage = "RDT fail";

    const auto number = [&](int low, int high) {
        return o.outOfRange && Uniform(random, 0, 15) == 0 ? AbsurdNumber(random)
                                                           : Format("%d", Uniform(random, low, high));
    };

    for (int ce = 0; ce < o.ceCount; ++ce) {
        for (int die = 0; die < o.dies; ++die) {
            for (int plane = 0; plane < o.planes; ++plane) {
                RdtPlaneLine p;
                p.ce = ce;
                p.die = die;
                p.plane = plane;
                const int early = Uniform(random, 0, 30);
                const int later = Uniform(random, 0, 9) == 0 ? Uniform(random, 1, 4) : 0;
                p.all = o.outOfRange && Uniform(random, 0, 15) == 0 ? AbsurdNumber(random)
                                                                    : Format("%d", early + later);
                p.early = number(early, early);
                p.later = number(later, later);
                c.planeLines.push_back(p);
            }
        }
    }
    if (o.outOfRange) {
        // Markers no search for CE 0-31, die 0-7, plane 0-3 may find.
        c.planeLines.push_back({Uniform(random, 32, 99), 0, 0, "7", "7", "7"});
        c.planeLines.push_back({1, Uniform(random, 8, 12), 0, "7", "7", "7"});
        c.planeLines.push_back({1, 0, Uniform(random, 4, 9), "7", "7", "7"});
    }
    if (o.shufflePlaneLines)
        std::shuffle(c.planeLines.begin(), c.planeLines.end(), random);

    const size_t temperatureLines = static_cast<size_t>(Uniform(random, 0, 12));
    for (size_t n = 0; n < temperatureLines; ++n) {
        RdtTemperatureLine t;
        t.ddrTest = Uniform(random, 0, 7) == 0;
        t.loop = static_cast<int>(n / 4);
        t.cycle = static_cast<int>(n);
        t.step = static_cast<int>(n % 4);
        for (int& value : t.temperatures)
            value = Uniform(random, 25, 85);
        t.timeMs = Uniform(random, 100, 99999);
        c.temperatures.push_back(t);
    }

    for (int n = 0; n < 4; ++n) {
        if (Uniform(random, 0, 3) == 0) {
            const int ce = o.outOfRange && Uniform(random, 0, 2) == 0
                               ? Uniform(random, 32, 140)
                               : Uniform(random, 0, std::max(0, o.ceCount - 1));
            c.speedErrors.emplace_back(Uniform(random, 0, 1) ? "TLC" : "SLC", Format("%d", ce));
        }
    }

    for (int n = 0; n < o.failRows; ++n) {
        RdtFailRow row;
        row.failType = kFailTypes[Uniform(random, 0, static_cast<int>(std::size(kFailTypes)) - 1)];
        const int ce = Uniform(random, 0, std::max(0, o.ceCount - 1));
        row.ce = o.outOfRange && Uniform(random, 0, 7) == 0 ? AbsurdNumber(random) : Format("%d", ce);
        row.channel = ce / 8;
        row.plane = o.outOfRange && Uniform(random, 0, 7) == 0
                        ? Format("%d", Uniform(random, 4, 300))
                        : Format("%d", Uniform(random, 0, o.planes - 1));
        row.block = static_cast<uint32_t>(Uniform(random, 0, 4095));
        row.page = Uniform(random, 0, 1151);
        row.totalLoop = 3000;
        row.runLoop = Uniform(random, 0, 3000);
        row.runCycle = Uniform(random, 0, 30);
        const bool factory = row.failType == kFailTypes[0];
        if (!factory) {
            row.step = Uniform(random, 0, 60);
            row.stage = Uniform(random, 0, 5);
            if (row.failType == kFailTypes[1])
                row.overThresholdBits = Uniform(random, 60, 120);
            row.timeStamp = Uniform(random, 0, 2000000000);
        }
        c.failRows.push_back(std::move(row));
    }

    // Readings until the report reaches the size asked for.
    if (o.targetBytes > 0) {
        size_t written = WriteRdtReport(c).size();
        for (size_t n = 0; written < o.targetBytes; ++n) {
            RdtTemperatureLine t;
            t.loop = static_cast<int>(n / 64);
            t.cycle = static_cast<int>(n % 64);
            t.step = static_cast<int>(n % 7);
            for (int& value : t.temperatures)
                value = Uniform(random, 25, 85);
            t.timeMs = Uniform(random, 100000, 999999);
            written +=
                TemperatureLine(t, c.nineColumnTemperatures).size() + std::string_view(c.lineEnd).size();
            c.temperatures.push_back(t);
        }
    }
    return c;
}

std::string MakeRdtReport(const RdtReportOptions& options) {
    std::mt19937 random(options.seed ^ 0x5bd1e995u);
    return Distort(WriteRdtReport(RandomRdtContent(options)), options, random);
}

RdtReportOptions RandomRdtOptions(uint32_t seed) {
    std::mt19937 random(seed);
    RdtReportOptions o;
    o.seed = seed;
    o.ceCount = Uniform(random, 1, 32);
    o.dies = Uniform(random, 1, 8);
    o.planes = Uniform(random, 1, 4);
    o.failRows = Uniform(random, 0, 3) == 0 ? 0 : Uniform(random, 1, 120);
    o.nineColumns = Uniform(random, 0, 1) == 0;
    o.limitsForm = std::array<int, 3>{0, 3, 7}[static_cast<size_t>(Uniform(random, 0, 2))];
    o.failListHeader = Uniform(random, 0, 3) != 0;
    o.dropLines = Uniform(random, 0, 2) == 0 ? Uniform(random, 1, 20) / 100.0 : 0;
    o.shufflePlaneLines = Uniform(random, 0, 2) == 0;
    o.shuffleLines = Uniform(random, 0, 4) == 0 ? Uniform(random, 1, 10) / 100.0 : 0;
    o.outOfRange = Uniform(random, 0, 2) == 0;
    o.garbage = Uniform(random, 0, 2) == 0 ? Uniform(random, 1, 25) / 100.0 : 0;
    o.lineFeedsOnly = Uniform(random, 0, 5) == 0;
    return o;
}

} // namespace varnet::test

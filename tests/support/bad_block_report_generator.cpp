#include "bad_block_report_generator.h"
#include "generator_random.h"

#include "platform/text_format.h"

#include <algorithm>
#include <random>
#include <string_view>

namespace varnet::test {
namespace {

std::string PlaneList(const std::array<int32_t, 4>& counts, int planes) {
    std::string text;
    for (int p = 0; p < planes; ++p) {
        if (p > 0)
            text += ", ";
        text += Format("Plane%d=%d", p, counts[static_cast<size_t>(p)]);
    }
    return text;
}

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

bool IsMarkerLine(std::string_view line) {
    for (std::string_view key : {"CENo_", "EarlyBad", "LaterBad", "Early Bad Count", "Later Bad Count",
                                 "<Plane", "All Bad Block Count=", "Do EraseAll,", "=========="}) {
        if (line.find(key) != std::string_view::npos)
            return true;
    }
    return false;
}

// Text that looks like parts of a report in the wrong place, and bytes that
// look like nothing at all.
std::string GarbageFragment(std::mt19937& random) {
    switch (Uniform(random, 0, 17)) {
    case 0:
        return Format("CENo_%d/Die_%d-> Early Bad Count: Plane0=%d,", Uniform(random, 0, 40),
                      Uniform(random, 0, 9), Uniform(random, -3, 50));
    case 1:
        return Format("CENo_%d/Die_%d-> Later Bad Count:", Uniform(random, 0, 33), Uniform(random, 0, 9));
    case 2:
        return Format("CENo_%d(Phy:%d)/Die_%d", Uniform(random, 0, 33), Uniform(random, 0, 33),
                      Uniform(random, 0, 12));
    case 3:
        return Format("Plane%d=%d", Uniform(random, 0, 5), Uniform(random, -100, 100));
    case 4:
        return Format("<Plane%d> Erase=%d;Program=%d;Read=%d>", Uniform(random, 0, 5), Uniform(random, 0, 9),
                      Uniform(random, 0, 9), Uniform(random, 0, 9));
    case 5:
        return Uniform(random, 0, 1) ? "EarlyBad " : "Early Bad Count";
    case 6:
        return Uniform(random, 0, 1) ? "LaterBad " : "Later Bad Count";
    case 7:
        return Format("All Bad Block Count=%d", Uniform(random, 0, 9));
    case 8:
        return "==========";
    case 9:
        return Format("Erase_%d (x)", Uniform(random, -9, 5000));
    case 10:
        return "99999999999999999999";
    case 11:
        return std::string(1, "_(,;>:\r\n "[Uniform(random, 0, 8)]);
    case 12:
        return Uniform(random, 0, 1) ? "Scan Bad Block" : "Do EraseAll,";
    case 13:
        return "Plane0=";
    case 14: // numbers with a leading zero name no CE and no die
        return Uniform(random, 0, 1) ? Format("CENo_0%d/Die_0%d-> Early Bad Count: Plane1=4,",
                                              Uniform(random, 0, 9), Uniform(random, 0, 7))
                                     : Format("CENo_0%d(Phy:0%d)/Die_%d", Uniform(random, 0, 9),
                                              Uniform(random, 0, 9), Uniform(random, 0, 7));
    case 15:
        return Format("Read(%d)_%d%s", Uniform(random, 0, 9), Uniform(random, 0, 99),
                      Uniform(random, 0, 1) ? " (r)" : "");
    default:
        return RandomBytes(random);
    }
}

std::string Distort(const std::string& report, const BadBlockReportOptions& options, std::mt19937& random) {
    if (options.dropMarkers <= 0 && !options.laterBeforeEarly && options.shuffleLines <= 0 &&
        options.garbage <= 0 && !options.cutEnd)
        return report;
    std::vector<std::string> lines = SplitLines(report);
    if (options.dropMarkers > 0) {
        std::erase_if(lines, [&](const std::string& line) {
            return IsMarkerLine(line) && Chance(random, options.dropMarkers);
        });
    }
    if (options.laterBeforeEarly) {
        const auto isLater = [](const std::string& line) {
            return line.find("Later Bad Count:") != std::string::npos;
        };
        const auto firstEarly = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("Early Bad Count:") != std::string::npos;
        });
        std::vector<std::string> later;
        std::copy_if(firstEarly, lines.end(), std::back_inserter(later), isLater);
        lines.erase(std::remove_if(firstEarly, lines.end(), isLater), lines.end());
        const auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("Early Bad Count:") != std::string::npos;
        });
        lines.insert(at, later.begin(), later.end());
    }
    if (options.shuffleLines > 0 && lines.size() > 1) {
        const size_t moves =
            static_cast<size_t>(static_cast<double>(lines.size()) * options.shuffleLines) + 1;
        for (size_t i = 0; i < moves; ++i) {
            const size_t from = static_cast<size_t>(Uniform(random, 0, static_cast<int>(lines.size()) - 1));
            std::string line = std::move(lines[from]);
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from));
            const size_t to = static_cast<size_t>(Uniform(random, 0, static_cast<int>(lines.size())));
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(to), std::move(line));
        }
    }
    std::string text;
    for (std::string& line : lines) {
        if (options.garbage > 0 && Chance(random, options.garbage)) {
            if (Uniform(random, 0, 1) == 0)
                line.insert(static_cast<size_t>(Uniform(random, 0, static_cast<int>(line.size()))),
                            GarbageFragment(random));
            else
                line += GarbageFragment(random) + "\r\n";
        }
        text += line;
    }
    if (options.cutEnd && !text.empty())
        text.resize(static_cast<size_t>(Uniform(random, 0, static_cast<int>(text.size()))));
    return text;
}

int BlockLineCount(const BadBlockReportOptions& options) {
    if (options.targetBytes == 0)
        return options.badPerDie;
    int dies = 0;
    for (int ce = 0; ce < options.ceCount; ++ce)
        dies += ((options.ceMask >> ce) & 1u) != 0 ? options.dies : 0;
    constexpr size_t kBlockLineBytes = 22;
    return std::max(options.badPerDie, static_cast<int>(options.targetBytes / kBlockLineBytes /
                                                        static_cast<size_t>(std::max(dies, 1))));
}

} // namespace

// The erase-count report:
//   [General Info] with "Station:", "TestStationSel=", "ISP FW: <version>, ..."
//   and a geometry line "FlashNumber=8, DiePerFlash=2, PlanePerDie=4,";
//   [Erase Info] with "Do EraseAll, ...", then one line per CE and die
//   "CENo_<ce>/Die_<die>-> Early Bad Count: Plane0=3, Plane1=0" (one key per
//   plane, no comma after the last), the same lines with "Later Bad Count:",
//   each group in CE-major order with the library's log lines between them;
//   then "Process Total take(sec): <seconds>" and, when the run failed,
//   "[ Fail ]  Error Message : <text>".
std::string WriteEraseReport(const BadBlockReportContent& c) {
    static const char* const kStations[8] = {"EraseAll", "RDT", "RDTResult", "MP",
                                             "ReMP",     "ICT", "UpdateFW",  "ScanBad"};
    Lines out(c.lineEnd);
    out.Add("[General Info]");
    out.Add(Format("Station: %02d_%s", c.testStationSel % 8 + 1, kStations[c.testStationSel % 8]));
    out.Add(Format("TestStationSel=%d", c.testStationSel));
    out.Add("ISP FW: " + c.ispFw + ", Build: 2024-05-01");
    out.Add(
        Format("FlashNumber=%d, DiePerFlash=%d, PlanePerDie=%d,", c.flashNumber, c.diePerFlash, c.planes));
    out.Add("");
    out.Add("[Erase Info]");
    out.Add("Do EraseAll, Mode=Full");
    for (const bool early : {true, false}) {
        for (const BadBlockDie& d : c.dies) {
            out.Add(Format("CENo_%d/Die_%d-> %s Bad Count: ", d.ce, d.die, early ? "Early" : "Later") +
                    PlaneList(early ? d.early : d.later, c.planes));
            for (size_t i = 0; i < c.fillerLinesPerDie; ++i)
                out.Add(Format("  [%04zu.%03d] CE%d Die%d Blk %zu erase done, status 0x00, 3 ms", i / 1000,
                               static_cast<int>(i % 1000), d.ce, d.die, i));
        }
    }
    out.Add("Process Total take(sec): " + c.processSeconds);
    if (!c.failMessage.empty())
        out.Add("[ Fail ]  Error Message : " + c.failMessage);
    return out.Take();
}

// The bad-block scan report:
//   "Scan Bad Block", "ISP FW: <version>,", the geometry line,
//   "Total Block Per CE: 1024", "MaxBad_perPlane/Die=40,"; then per CE and
//   die, after a "==========" line: "CENo_<ce>(Phy:<ce>)/Die_<die>",
//   "EarlyBad Count: Plane0=3, ...,", "LaterBad Count: Plane0=0, ...,",
//   one "<Plane<p>> Erase=1;Program=0;Read=2>" per plane,
//   "All Bad Block Count=<n>" and n block lines "<kind>_<block> (<remark>)";
//   a last "==========" and "Process Total take(sec): <seconds>".
std::string WriteScanBadReport(const BadBlockReportContent& c) {
    Lines out(c.lineEnd);
    out.Add("Scan Bad Block");
    out.Add("ISP FW: " + c.ispFw + ",");
    out.Add(
        Format("FlashNumber=%d, DiePerFlash=%d, PlanePerDie=%d,", c.flashNumber, c.diePerFlash, c.planes));
    out.Add(Format("Total Block Per CE: %d", c.blocksPerCe));
    out.Add(Format("MaxBad_perPlane/Die=%d,", c.maxBadPerPlane));
    std::string line;
    for (const BadBlockDie& d : c.dies) {
        out.Add("==========");
        out.Add(Format("CENo_%d(Phy:%d)/Die_%d", d.ce, d.ce, d.die));
        out.Add("EarlyBad Count: " + PlaneList(d.early, c.planes) + ",");
        out.Add("LaterBad Count: " + PlaneList(d.later, c.planes) + ",");
        for (int p = 0; p < c.planes; ++p) {
            const size_t i = static_cast<size_t>(p);
            out.Add(Format("<Plane%d> Erase=%d;Program=%d;Read=%d>", p, d.eraseFails[i], d.programFails[i],
                           d.readFails[i]));
        }
        out.Add(Format("All Bad Block Count=%zu", d.blocks.size()));
        for (const BadBlockDie::Block& b : d.blocks) {
            line = b.label;
            line += '_';
            line += std::to_string(b.block);
            line += " (";
            line += b.remark;
            line += ')';
            out.Add(line);
        }
    }
    out.Add("==========");
    out.Add("Process Total take(sec): " + c.processSeconds);
    return out.Take();
}

BadBlockReportContent RandomBadBlockContent(const BadBlockReportOptions& options) {
    std::mt19937 random(options.seed);
    BadBlockReportContent c;
    c.testStationSel = Uniform(random, 0, 7);
    c.flashNumber = options.ceCount;
    c.diePerFlash = options.dies;
    c.planes = std::clamp(options.planes, 1, 4);
    c.blocksPerCe = 1024 * options.dies;
    c.maxBadPerPlane = Uniform(random, 20, 60);
    c.processSeconds = Format("%d.%d", Uniform(random, 5, 600), Uniform(random, 0, 9));
    c.lineEnd = options.lineFeedsOnly ? "\n" : "\r\n";
    if (Uniform(random, 0, 9) == 0)
        c.failMessage = "Erase fail at CE3";
    const int blockLines = BlockLineCount(options);
    const int blocksPerPlane = std::max(1, c.blocksPerCe / options.dies / c.planes);
    for (int ce = 0; ce < options.ceCount; ++ce) {
        if (((options.ceMask >> ce) & 1u) == 0)
            continue;
        for (int die = 0; die < options.dies; ++die) {
            BadBlockDie d;
            d.ce = ce;
            d.die = die;
            const int lines = options.targetBytes
                                  ? blockLines
                                  : Uniform(random, blockLines / 2, blockLines + blockLines / 2);
            for (int i = 0; i < lines; ++i) {
                const int plane = Uniform(random, 0, c.planes - 1);
                const size_t p = static_cast<size_t>(plane);
                BadBlockDie::Block b;
                b.block = Uniform(random, 0, blocksPerPlane - 1) * c.planes + plane;
                switch (Uniform(random, 0, 9)) {
                case 0:
                    b.label = "Erase";
                    b.remark = "Erase fail";
                    ++d.eraseFails[p];
                    ++d.later[p];
                    break;
                case 1:
                    b.label = "Program";
                    b.remark = "Program fail";
                    ++d.programFails[p];
                    ++d.later[p];
                    break;
                case 2:
                    b.label = "Read";
                    b.remark = "UECC";
                    ++d.readFails[p];
                    ++d.later[p];
                    break;
                default:
                    b.label = "Early";
                    b.remark = "Factory";
                    ++d.early[p];
                    break;
                }
                d.blocks.push_back(std::move(b));
            }
            c.dies.push_back(std::move(d));
        }
    }
    if (options.targetBytes > 0) {
        const size_t dies = std::max<size_t>(c.dies.size(), 1);
        constexpr size_t kFillerLineBytes = 62;
        c.fillerLinesPerDie = options.targetBytes / (2 * dies * kFillerLineBytes);
    }
    return c;
}

std::string MakeEraseReport(const BadBlockReportOptions& options) {
    BadBlockReportContent content = RandomBadBlockContent(options);
    for (BadBlockDie& d : content.dies)
        d.blocks.clear(); // the erase report lists counts only
    std::mt19937 random(options.seed ^ 0x5EEDu);
    return Distort(WriteEraseReport(content), options, random);
}

std::string MakeScanBadReport(const BadBlockReportOptions& options) {
    BadBlockReportContent content = RandomBadBlockContent(options);
    content.fillerLinesPerDie = 0;
    std::mt19937 random(options.seed ^ 0x5EEDu);
    return Distort(WriteScanBadReport(content), options, random);
}

BadBlockReportOptions RandomReportOptions(uint32_t seed) {
    std::mt19937 random(seed);
    BadBlockReportOptions o;
    o.seed = seed;
    o.ceCount = Uniform(random, 1, 32);
    o.dies = Uniform(random, 1, 8);
    o.planes = Uniform(random, 1, 4);
    o.badPerDie = Uniform(random, 0, 30);
    o.ceMask = Uniform(random, 0, 2) == 0 ? static_cast<uint32_t>(random()) : 0xFFFFFFFFu;
    o.dropMarkers = Uniform(random, 0, 2) == 0 ? Uniform(random, 1, 40) / 100.0 : 0;
    o.laterBeforeEarly = Uniform(random, 0, 4) == 0;
    o.shuffleLines = Uniform(random, 0, 3) == 0 ? Uniform(random, 1, 20) / 100.0 : 0;
    o.garbage = Uniform(random, 0, 2) == 0 ? Uniform(random, 1, 30) / 100.0 : 0;
    o.cutEnd = Uniform(random, 0, 5) == 0;
    o.lineFeedsOnly = Uniform(random, 0, 5) == 0;
    return o;
}

} // namespace varnet::test

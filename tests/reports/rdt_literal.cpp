#include "rdt_literal.h"

#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/report_text.h"

#include <algorithm>
#include <limits>
#include <string>

namespace varnet::test {
namespace {

bool Has(std::string_view text, std::string_view key) {
    return text.find(key) != kNotFound;
}

int32_t Clamp(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

uint8_t Byte(int32_t value) {
    return value >= 0 && value <= 255 ? static_cast<uint8_t>(value) : 255;
}

std::string ReplaceAll(std::string text, std::string_view what) {
    std::string out;
    size_t pos = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, pos)) {
        out.append(text, pos, at - pos);
        pos = at + what.size();
    }
    out.append(text, pos);
    return out;
}

int32_t HexValue(std::string_view slice) {
    std::string_view text = TrimWhite(slice);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::string digits = "0123456789abcdef";
    constexpr int64_t kLimit = int64_t{1} << 31;
    int64_t value = 0;
    for (char c : text) {
        const size_t digit = digits.find(static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c));
        if (digit == std::string::npos)
            break;
        value = std::min<int64_t>(value * 16 + static_cast<int64_t>(digit), kLimit);
    }
    return static_cast<int32_t>(negative ? -value : std::min(value, kLimit - 1));
}

// The text of a line at start (without its line feed and a carriage return
// before it); false when no line feed follows.
bool Line(std::string_view text, size_t start, std::string& line, size_t& next) {
    const size_t lineFeed = FindFrom(text, "\n", start);
    if (lineFeed == kNotFound)
        return false;
    line = std::string(text.substr(start, lineFeed - start));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    next = lineFeed + 1;
    return true;
}

} // namespace

void ReadRdtReportLiteral(std::string_view text, const ReportContext& context, const PortReport& port) {
    ST_PORT_RESULT& r = port.result;
    port.SetReadProgress(0);
    port.badBlocks.clear();
    ResetPortResult(r);
    const IniDocument ini = IniDocument::FromBytes({}, text);

    // Header.
    r.failFlag = Has(text, "[ Fail ]  Error Message :") ? 1 : 0;
    size_t i = text.find("ISP FW: ");
    if (i != kNotFound) {
        const size_t comma = FindFrom(text, ",", i);
        if (comma != kNotFound && comma - i > 8)
            r.ispFwVersion = std::string(TrimWhite(text.substr(i + 8, comma - i - 8)));
    }
    r.testStationSel = static_cast<uint8_t>(ini.GetInt("General Info", "TestStationSel", 0) & 0xFF);
    if (Has(text, "Station:")) {
        const char* names[8] = {"EraseAll", "RDT", "RDTResult", "MP", "ReMP", "ICT", "UpdateFW", "ScanBad"};
        r.stationName = Format("%02d_%s", r.testStationSel % 8 + 1, names[r.testStationSel % 8]);
    }

    // Firmware, time, dies.
    i = text.find("RDT FW :");
    if (i != kNotFound) {
        const size_t lineFeed = FindFrom(text, "\n", i);
        if (lineFeed != kNotFound)
            r.rdtFwVersion = std::string(TrimWhite(text.substr(i + 8, lineFeed - i - 8)));
    }
    i = text.find("Total testing time=");
    if (i != kNotFound) {
        const size_t lineFeed = FindFrom(text, "\n", i);
        if (lineFeed != kNotFound)
            r.processTime = std::string(TrimWhite(text.substr(i + 19, lineFeed - i - 19)));
    }
    i = text.find("Die per CE=");
    if (i != kNotFound) {
        std::string_view slice;
        if (SliceTo(text, i + 11, "\n", slice))
            r.diePerFlash = ReportValue(slice);
    }
    // Settings.
    i = text.find("(TLC/MLC loop, SLC loop, ECC threshold, SLC ECC threshold) = (");
    if (i != kNotFound) {
        std::string_view slice;
        if (SliceTo(text, i + 62, "\n", slice)) {
            const std::string s = RemoveChar(RemoveChar(slice, ' '), '\n');
            size_t pos = 0;
            int32_t* targets[4] = {&r.tlcLoop, &r.slcLoop, &r.eccThreshold, &r.slcEccThreshold};
            for (int v = 0; v < 4; ++v) {
                const std::string separator = v < 3 ? "," : "):";
                const size_t end = s.find(separator, pos);
                if (end != std::string::npos) {
                    *targets[v] = ReportValue(std::string_view(s).substr(pos, end - pos));
                    pos = end + separator.size();
                }
            }
        }
    }
    port.SetReadProgress(10);

    // Plane counts.
    if (Has(text, "Setting Total Later Bad Spec Per Die")) {
        for (int ce = 0; ce < 32; ++ce) {
            if (!context.CeInScope(ce))
                continue;
            for (int die = 0; die < 8; ++die) {
                for (int plane = 0; plane < 4; ++plane) {
                    const size_t k = text.find(Format("CE_%d,Die_%d,Plane_%d,", ce, die, plane));
                    if (k == kNotFound)
                        continue;
                    std::string_view slice;
                    size_t a = FindFrom(text, "All Bad=", k);
                    if (a != kNotFound && SliceTo(text, a + 8, ",", slice))
                        r.totalBad[ce][die][plane] = ReportValue(RemoveChar(slice, ' '));
                    a = FindFrom(text, "Early Bad=", k);
                    if (a != kNotFound && SliceTo(text, a + 10, ",", slice))
                        r.earlyBad[ce][die][plane] = ReportValue(RemoveChar(slice, ' '));
                    a = FindFrom(text, "Later Bad=", k);
                    if (a != kNotFound && SliceTo(text, a + 10, "\n", slice))
                        r.laterBad[ce][die][plane] = ReportValue(TrimWhite(slice));
                }
            }
        }
    }
    // Sums.
    int64_t all = 0;
    int64_t early = 0;
    int64_t later = 0;
    for (int ce = 0; ce < 32; ++ce) {
        for (int die = 0; die < 8; ++die) {
            int64_t perDie = 0;
            for (int plane = 0; plane < 4; ++plane) {
                perDie += r.laterBad[ce][die][plane];
                if (context.CeInScope(ce)) {
                    all += r.totalBad[ce][die][plane];
                    early += r.earlyBad[ce][die][plane];
                    later += r.laterBad[ce][die][plane];
                }
            }
            r.laterBadPerDie[ce][die] = Clamp(perDie);
        }
    }
    r.allBadTotal = Clamp(all);
    r.earlyBadTotal = Clamp(early);
    r.laterBadTotal = Clamp(later);

    // Temperatures.
    size_t header = text.find("Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)");
    int expected = 9;
    if (header == kNotFound) {
        header = text.find("Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)");
        expected = 8;
    }
    if (header != kNotFound) {
        uint32_t max = 0;
        size_t start = FindFrom(text, "\n", header);
        std::string line;
        size_t next = 0;
        while (start != kNotFound && Line(text, start + 1, line, next) && !line.empty()) {
            start = next - 1;
            if (Has(line, "DDR Test"))
                continue;
            if (std::count(line.begin(), line.end(), ',') != expected)
                break;
            size_t pos = 0;
            for (int field = 0; field < expected; ++field) {
                const size_t comma = line.find(',', pos);
                const std::string value = line.substr(pos, comma - pos);
                if (field >= expected - 6)
                    max = std::max(max, static_cast<uint32_t>(ReportValue(TrimWhite(value))));
                pos = comma + 1;
            }
            r.maxTemperature = context.uiLanguage == 1 ? Format("%d℃", static_cast<int>(max))
                                                       : Format("%d°C", static_cast<int>(max));
        }
    }

    // Limits, both forms.
    for (int form = 0; form < 2; ++form) {
        const std::string marker =
            form == 0 ? "(max later bad, max later bad per CE, max later bad per plane per CE)"
                      : "(max later bad, max later bad per CE, max later bad per plane per "
                        "CE, max erase fail, max program fail, max read fail, enable max fail)";
        i = text.find(marker);
        if (i == kNotFound || i < 1)
            continue;
        const size_t equals = FindFrom(text, "=", i);
        std::string_view slice;
        if (equals == kNotFound || !SliceTo(text, equals, "\n", slice))
            continue;
        const std::string s = RemoveChar(RemoveChar(RemoveChar(slice, ' '), '='), '(');
        const size_t comma = s.find(',');
        if (comma == std::string::npos)
            continue;
        if (form == 0) {
            r.maxLaterBad = ReportValue(s.substr(0, comma));
            continue;
        }
        if (comma == 0)
            continue;
        r.maxLaterBad = ReportValue(s.substr(0, comma));
        int32_t unused = 0;
        int32_t enable = 0;
        int32_t* targets[6] = {&unused, &unused, &r.maxEraseFail, &r.maxProgramFail, &r.maxReadFail, &enable};
        size_t pos = comma + 1;
        for (int v = 0; v < 6; ++v) {
            const size_t end = s.find(v < 5 ? ',' : ')', pos);
            if (end == std::string::npos)
                break;
            *targets[v] = ReportValue(s.substr(pos, end - pos));
            pos = end + 1;
            if (v == 5)
                r.enableMaxFail = Byte(enable);
        }
    }

    // Limit selections.
    if (r.enableMaxFail == 0) {
        int32_t program = ini.GetInt("RDT", "FailProgramLimitSel", 0);
        int32_t erase = ini.GetInt("RDT", "FailEraseLimitSel", 0);
        int32_t read = ini.GetInt("RDT", "FailReadLimitSel", 0);
        int32_t total = ini.GetInt("RDT", "FailTotalLimitSel", 0);
        for (int32_t* v : {&program, &erase, &read, &total}) {
            if (*v != 0)
                *v = Clamp(int64_t{*v} - 1);
        }
        if (program != 0 || erase != 0 || read != 0 || total != 0) {
            r.enableMaxFail = 1;
            if (program != 0)
                r.maxProgramFail = program;
            if (erase != 0)
                r.maxEraseFail = erase;
            if (read != 0)
                r.maxReadFail = read;
            if (total != 0)
                r.maxLaterBad = total;
        }
    }

    // Retention.
    r.retentionMark = Has(text, "Write Rentention Mark") ? 1 : 0;
    r.retentionTest = Byte(ini.GetInt("Options", "Retention_Test", 0));

    // Speed errors, the CE number standing alone.
    for (int ce = 0; ce < 32; ++ce) {
        for (const char* kind : {"TLC", "SLC"}) {
            const std::string key = Format("[Error]Test %s Speed Over SPEC in CE_%d", kind, ce);
            for (size_t at = text.find(key); at != kNotFound; at = text.find(key, at + 1)) {
                const size_t after = at + key.size();
                if (after == text.size() || text[after] < '0' || text[after] > '9')
                    r.speedFailMask |= 1u << ce;
            }
        }
    }

    port.SetReadProgress(20);

    // Fail list.
    header = text.find("Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,"
                       "Run Cycle,Step number,Stage number,Over threshold correctable bit,Time Stamp");
    if (header == kNotFound)
        header = text.find("(max later bad, max later bad per CE, max later bad per plane per CE");
    if (header != kNotFound) {
        size_t start = FindFrom(text, "\n", header);
        start = start == kNotFound ? kNotFound : start + 1;
        std::string line;
        size_t next = 0;
        if (start != kNotFound && Line(text, start, line, next)) {
            const size_t at = line.find("(TLC/MLC loop, SLC loop,");
            if (at != std::string::npos && at != 0) {
                const size_t lineFeed = FindFrom(text, "\n", next);
                start = lineFeed == kNotFound ? kNotFound : lineFeed + 1;
            }
        }
        int64_t rows = 0;
        while (start != kNotFound && Line(text, start, line, next) && !line.empty() &&
               !Has(line, "Setting Total Later Bad")) {
            start = next;
            std::string fields[13];
            size_t pos = 0;
            for (int f = 0; f < 13; ++f) {
                const size_t end = f < 12 ? line.find(',', pos) : line.size();
                if (end == std::string::npos)
                    continue;
                const std::string field(TrimWhite(std::string_view(line).substr(pos, end - pos)));
                if (field.empty())
                    continue;
                fields[f] = field;
                pos = end + 1;
            }
            std::string label = fields[0];
            if (Has(fields[0], "Factory bad block"))
                label = "Early Bad";
            else if (Has(fields[0], "Read correctable bit over threshold"))
                label = "Read over threshold";
            else if (Has(fields[0], "Read uncorrectable fail"))
                label = "Read uncorrectable";
            else if (Has(fields[0], "Read Page All Data"))
                label = "Read Data 00";
            else if (Has(fields[0], "Read"))
                label = fields[0];
            else if (Has(fields[0], "Erase"))
                label = "Erase Fail";
            else if (Has(fields[0], "Program"))
                label = "Program Fail";
            BAD_BLOCK_INFO e{};
            SetFieldText(e.label, label);
            e.ce = Byte(ReportValue(fields[1]));
            e.channel = Byte(ReportValue(fields[2]));
            e.plane = Byte(ReportValue(fields[3]));
            e.block = HexValue(ReplaceAll(fields[4], "0x"));
            e.page = ReportValue(fields[5]);
            e.totalLoop = ReportValue(fields[6]);
            e.runLoop = ReportValue(fields[7]);
            e.runCycle = ReportValue(fields[8]);
            int32_t* naFields[4] = {&e.step, &e.stage, &e.overThresholdBits, &e.timeStamp};
            for (int f = 0; f < 4; ++f)
                *naFields[f] = Has(fields[9 + f], "NA") ? 0 : ReportValue(fields[9 + f]);
            if (context.CeInScope(e.ce)) {
                port.badBlocks.push_back(e);
                int32_t* counter = Has(label, "Read")      ? &r.readFailTotal
                                   : Has(label, "Erase")   ? &r.eraseFailTotal
                                   : Has(label, "Program") ? &r.programFailTotal
                                                           : nullptr;
                if (counter)
                    *counter = Clamp(int64_t{*counter} + 1);
            }
            rows = rows + 1;
            if (rows < r.allBadTotal)
                port.SetReadProgress(static_cast<int32_t>(20 + rows * 80 / r.allBadTotal));
        }
    }

    r.badBlockLoaded = 1;
    r.resultKind = 3;
    port.SetReadProgress(100);
}

} // namespace varnet::test

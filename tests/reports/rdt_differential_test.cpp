// The fast burn-in reader against the plain one on generated reports of every
// shape: random geometry and fail lists, both temperature tables and limits
// forms, the older fail-list layout, dropped, shuffled and garbled lines,
// out-of-range CEs and planes, absurd numbers; read under CE masks, at the
// RDT result station and elsewhere.
#include "rdt_literal.h"
#include "rdt_report_generator.h"
#include "reports/rdt_report.h"

#include "reader_port.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace varnet {
namespace {

using Port = test::ReaderPort;

// A record left by earlier steps: what the reader keeps and what it clears.
void FillEarlierRecord(Port& port) {
    ST_PORT_RESULT& r = *port.result;
    r.flashId[0] = {0x98, 0x3C, 0x98, 0xB3};
    r.flashCount = 8;
    r.blocksPerCE = 777;
    r.resultKind = kResultErase;
    r.earlyBad[1][2][3] = 9;
    r.maxTemperature = "99°C";
    r.speedFailMask = 0xF0;
    r.enableMaxFail = 1;
    r.portRunning = 1;
    port.badBlocks.push_back(BAD_BLOCK_INFO{});
}

::testing::AssertionResult SameOutcome(const Port& fast, const Port& literal) {
    const std::string difference = test::FirstDifference(fast, literal);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
}

ReportContext RandomContext(uint32_t seed) {
    std::mt19937 random(seed * 2654435761u);
    ReportContext context;
    context.enableCeMask = random() % 2 == 0 ? 1 : 0;
    context.setCeMask = random() % 4 == 0 ? 0 : static_cast<uint32_t>(random());
    context.testStationSel = static_cast<uint8_t>(random() % 3 == 0 ? 2 : random() % 8);
    context.uiLanguage = static_cast<int>(random() % 3);
    return context;
}

class RdtDifferential : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RdtDifferential, FastAndPlainReadersAgree) {
    for (uint32_t seed = GetParam(); seed < GetParam() + 50; ++seed) {
        const test::RdtReportOptions options = test::RandomRdtOptions(seed);
        const std::string text = test::MakeRdtReport(options);
        const ReportContext context = RandomContext(seed);
        Port fast;
        Port literal;
        FillEarlierRecord(fast);
        FillEarlierRecord(literal);
        ReadRdtReportText(text, context, fast.Report());
        test::ReadRdtReportLiteral(text, context, literal.Report());
        ASSERT_TRUE(SameOutcome(fast, literal)) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RdtDifferential, ::testing::Values(1000u, 2000u, 3000u, 4000u, 5000u, 6000u));

// Every prefix of a report that holds each part once: a report cut anywhere
// (a copy that stopped, a log still being written) reads the same both ways.
TEST(RdtDifferentialCut, EveryPrefixAgrees) {
    test::RdtReportOptions options;
    options.ceCount = 2;
    options.dies = 1;
    options.planes = 2;
    options.failRows = 3;
    options.seed = 77;
    const std::string text = test::MakeRdtReport(options);
    ReportContext context;
    for (size_t size = 0; size <= text.size(); ++size) {
        Port fast;
        Port literal;
        ReadRdtReportText(std::string_view(text).substr(0, size), context, fast.Report());
        test::ReadRdtReportLiteral(std::string_view(text).substr(0, size), context, literal.Report());
        ASSERT_TRUE(SameOutcome(fast, literal)) << "cut at " << size;
    }
}

enum class Cut { kNone, kAfterRows, kAfterRowsWithoutLineEnd };

// A report with the given fail rows and temperature lines, written with
// lineEnd; cut after the rows, the last row ends the text, with its line end
// or without it.
std::string CraftedReport(const std::vector<std::string>& rows,
                          const std::vector<std::string>& temperatures = {},
                          const std::string& lineEnd = "\r\n", Cut cut = Cut::kNone) {
    test::RdtReportContent content;
    content.lineEnd = lineEnd.c_str();
    std::string text = test::WriteRdtReport(content);
    const auto insertAfterLine = [&](std::string_view header, const std::vector<std::string>& lines) {
        size_t at = text.find('\n', text.find(header)) + 1;
        for (const std::string& line : lines) {
            text.insert(at, line + lineEnd);
            at += line.size() + lineEnd.size();
        }
        return at;
    };
    insertAfterLine("Cycle,Step,Temp1", temperatures);
    const size_t rowsEnd = insertAfterLine("Fail Type,CE,", rows);
    if (cut != Cut::kNone)
        text.resize(rowsEnd - (cut == Cut::kAfterRowsWithoutLineEnd ? lineEnd.size() : 0));
    return text;
}

::testing::AssertionResult AgreeOn(const std::string& text, const ReportContext& context = {}) {
    Port fast;
    Port literal;
    ReadRdtReportText(text, context, fast.Report());
    test::ReadRdtReportLiteral(text, context, literal.Report());
    return SameOutcome(fast, literal);
}

std::string Joined(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t f = 0; f < fields.size(); ++f)
        line += (f == 0 ? "" : ",") + fields[f];
    return line;
}

// The forms a number field takes: those read at once (up to sixteen digits,
// "NA", "0x" and up to seven hexadecimal digits) and the ones next to them
// that must be read the general way, each in every field of a fail row (in
// the middle of a report and at its very end) and of a temperature line.
TEST(RdtDifferentialFields, EveryFormOfEveryFieldAgrees) {
    const std::vector<std::string> forms = {
        // Digits, up to where they saturate.
        "7", "0", "007", "12345678", "123456789", "1234567890", "2147483647", "2147483648",
        "9999999999999999", "99999999999999999",
        // Empty, blanks, signs, other bytes.
        "", " ", " 7", "7 ", "\t7", "7\t", "7 7", "+7", "-7", "-2147483649", "7,8", "\xB5", "7\x01", "1x2",
        "x",
        // "NA" and what is like it.
        "NA", " NA", "NA ", "N", "A", "NAN", "7NA", "NA7",
        // Blocks.
        "0x", "0x0", "0x1F", "0xfF", "0x0x1", "0xFFFFFFF", "0x7FFFFFFF", "0x80000000", "0x1G", "0xG1"};
    const std::vector<std::string> row = {
        "Read retry fail", "3", "0", "1", "0x2A", "17", "3000", "1500", "7", "12", "3", "NA", "1700000000"};
    const std::vector<std::string> temperature = {"4", "1", "30", "31", "32", "33", "34", "35", "1000"};
    for (const char* lineEnd : {"\r\n", "\n"}) {
        for (const std::string& form : forms) {
            for (size_t f = 0; f < row.size(); ++f) {
                std::vector<std::string> fields = row;
                fields[f] = form;
                for (const Cut cut : {Cut::kNone, Cut::kAfterRows}) {
                    const std::string text = CraftedReport({Joined(row), Joined(fields)}, {}, lineEnd, cut);
                    ASSERT_TRUE(AgreeOn(text)) << "row field " << f << " '" << form << "'";
                }
            }
            for (size_t f = 0; f < temperature.size(); ++f) {
                std::vector<std::string> fields = temperature;
                fields[f] = form;
                const std::string text = CraftedReport(
                    {Joined(row)}, {Joined(temperature), Joined(fields), Joined(temperature)}, lineEnd);
                ASSERT_TRUE(AgreeOn(text)) << "temperature field " << f << " '" << form << "'";
            }
        }
    }
}

// Lines are scanned a window of 64 or 128 bytes at once: rows and
// temperature lines of every length around those windows and beyond them,
// with and without blanks to trim.
TEST(RdtDifferentialFields, LinesOfEveryLengthAgree) {
    for (size_t length = 1; length <= 150; ++length) {
        const std::string type(length, 'e');
        const std::string digits = "1" + std::string(length % 20, '0');
        const std::string text = CraftedReport(
            {type + ",1,0,2,0x10,5,3000,20,3,4,1,NA,NA", " " + type + " , 1 ,0,2,0x10,5,3000,20,3,4,1,NA,7",
             type + ",1,0,2,0x10,5,3000,20,3,4,1,NA," + digits},
            {"1,2," + std::string(length, '0') + "44,45,46,47,48,49,1",
             "1,2,40,41,42,43,44,45," + std::string(length, '9'),
             "1,2,40,41,42,43,44, " + digits + "," + std::string(length, '5')});
        ASSERT_TRUE(AgreeOn(text)) << "length " << length;
    }
}

// More fail types than the reader keeps labels for, several of one length,
// some alike up to their last byte or beyond 64 bytes, some holding the
// bytes by which the reader finds its keys; in an order that makes every
// one of them come back after others.
TEST(RdtDifferentialFields, ManyFailTypesAgree) {
    std::vector<std::string> types;
    for (int n = 0; n < 12; ++n) {
        types.push_back("Read fail " + std::to_string(n));
        types.push_back("Erase fail " + std::to_string(n));
        types.push_back(std::string(70, 'P') + "rogram fail " + std::to_string(n));
        types.push_back("Read Page All Data T(W)[" + std::to_string(n) + "]_");
    }
    std::vector<std::string> rows;
    std::mt19937 random(5);
    for (int n = 0; n < 400; ++n) {
        const std::string& type = types[random() % (n % 50 < 25 ? 5 : types.size())];
        rows.push_back(type + "," + std::to_string(n % 9) + ",0,1,0x" + std::to_string(n) +
                       ",1,2,3,4,5,6,7,8");
    }
    ReportContext masked;
    masked.enableCeMask = 1;
    masked.setCeMask = 0x55;
    for (const ReportContext& context : {ReportContext{}, masked}) {
        ASSERT_TRUE(AgreeOn(CraftedReport(rows), context));
        ASSERT_TRUE(AgreeOn(CraftedReport(rows, {}, "\n", Cut::kAfterRowsWithoutLineEnd), context));
    }
}

// 64 KB of unit: far longer than the windows lines are scanned by.
std::string LongRun(std::string_view unit) {
    std::string run;
    while (run.size() < 64 * 1024)
        run += unit;
    return run;
}

// The report with a long run of unit, as a line of its own or joined to one
// of the report's lines, at a place drawn from seed.
std::string WithLongRun(const std::string& text, std::string_view unit, bool ownLine, uint32_t seed) {
    std::string run = LongRun(unit);
    std::mt19937 random(seed);
    size_t at = random() % text.size();
    if (ownLine) {
        const size_t lineStart = text.rfind('\n', at);
        at = lineStart == std::string::npos ? 0 : lineStart + 1;
        run += "\r\n";
    }
    std::string out = text;
    out.insert(at, run);
    return out;
}

// One long line (a garbled file, a library that lost its line ends) made of
// what the fast reader finds its way by: the bytes it indexes its keys by,
// so many that it searches instead, the start of the keys it searches for,
// count markers, blanks and separators of the values, digits; anywhere in
// reports of every shape.
TEST(RdtDifferentialLongLines, ReportsWithALongLineAgree) {
    const std::string_view units[] = {"(",  "[_TW", "CE_0,Die_0,Plane_0, All Bad=",         " ",
                                      "1,", "0x",   "(max later bad, max later bad per CE", "DDR Test"};
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string text = test::MakeRdtReport(test::RandomRdtOptions(seed));
        const ReportContext context = RandomContext(seed);
        for (const std::string_view unit : units) {
            for (const bool ownLine : {true, false}) {
                ASSERT_TRUE(AgreeOn(WithLongRun(text, unit, ownLine, seed), context))
                    << "seed " << seed << ", unit '" << unit << "'" << (ownLine ? ", own line" : "");
            }
        }
    }
    // Where the reader copies or walks a whole line: the settings and the
    // limits values, a temperature line and a fail row.
    test::RdtReportContent content;
    content.limitsForm = 7;
    const std::string plain = test::WriteRdtReport(content);
    for (const std::string_view after : {"SLC ECC threshold) = (", "enable max fail) = (", "Cycle,Step,Temp1",
                                         "Over threshold correctable bit,Time Stamp"}) {
        std::string text = plain;
        const size_t at = text.find(after) + after.size();
        for (const std::string_view unit : {" ", " 1", "(= ", ",", "):"})
            ASSERT_TRUE(AgreeOn(text.substr(0, at) + LongRun(unit) + text.substr(at)))
                << "after '" << after << "', unit '" << unit << "'";
    }
}

} // namespace
} // namespace varnet

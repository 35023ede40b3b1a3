// varnet-results as a line manager and a script use it: the summary as text
// and JSON, the exports, and its answers to wrong or missing input.
#include "results/results_store.h"
#include "results/run_export.h"
#include "results/run_record_json.h"
#include "run_fixture.h"
#include "temp_dir.h"
#include "varnet_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace varnet {
namespace {

using test::FinishedRun;
using test::ReadText;
using test::TempDir;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class ResultsTool : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "run through ctest";
        tool_ = std::filesystem::path(binary) / "src" / "varnet-results";
        ASSERT_TRUE(std::filesystem::exists(tool_)) << tool_;
    }

    // A station that made a shift of runs on 2026-12-10 (UTC).
    void MakeStation() {
        ResultsStore store;
        Status status;
        ASSERT_EQ(store.Open(ResultsDatabasePath(station_.path()), 1000, status), SchemaOutcome::kReady);
        ASSERT_TRUE(store.BeginSession({"station-1", "0.1.0", "04_MP.ini"}, test::At(0)).ok());
        PortRunRecord odd = FinishedRun("r3", "04_MP", "SN3", "Fail", 2, 3);
        odd.text = "Fail, \"bad\" blocks\nsecond line";
        odd.errorMessage = "坏块";
        for (const PortRunRecord& record :
             {FinishedRun("r1", "04_MP", "SN1", "Fail", 0), FinishedRun("r2", "04_MP", "SN2", "Pass", 1), odd,
              FinishedRun("r4", "04_MP", "SN1", "Pass", 10, 2),
              FinishedRun("r5", "Identify", "SN9", "Pass", 11)})
            ASSERT_TRUE(store.RecordFinished(record).ok());
        ASSERT_TRUE(store.RecordStarted(FinishedRun("r6", "04_MP", "SN6", "", 12)).ok());
    }

    ToolRun Run(const std::string& arguments, const std::string& from = "") const {
        const std::filesystem::path out = scratch_ / "out";
        const std::filesystem::path err = scratch_ / "err";
        const std::string command = "cd '" + (from.empty() ? scratch_.path().string() : from) +
                                    "' && env -u DISPLAY -u WAYLAND_DISPLAY TZ=UTC0 '" + tool_.string() +
                                    "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadText(out);
        run.err = ReadText(err);
        return run;
    }
    std::string Dir() const { return "--dir '" + station_.path().string() + "'"; }

    std::filesystem::path tool_;
    TempDir station_;
    TempDir scratch_;
};

TEST_F(ResultsTool, AnswersHelpAndVersionWithoutADisplayOrAStation) {
    TempDir empty;
    const ToolRun help = Run("--help", empty.path().string());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: varnet-results", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit codes"), std::string::npos);
    const ToolRun version = Run("--version", empty.path().string());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("varnet-results ") + VARNET_VERSION + "\n");
    EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
}

// The blank-separated words of the first line of text that starts with
// prefix; empty when there is none.
std::vector<std::string> WordsOfLine(const std::string& text, const std::string& prefix) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with(prefix))
            continue;
        std::istringstream words(line);
        std::vector<std::string> all;
        for (std::string word; words >> word;)
            all.push_back(word);
        return all;
    }
    return {};
}

TEST_F(ResultsTool, TheSummaryPrintsTheYieldTablesTheParetoAndThePorts) {
    MakeStation();
    const ToolRun run = Run(Dir() + " summary --from 2026-12-10 --to 2026-12-10");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string& out = run.out;
    EXPECT_NE(out.find("First-pass yield:"), std::string::npos);
    // Station, day, runs, pass, fail, retests, first-pass, final.
    EXPECT_NE(out.find("04_MP    2026-12-10     4     2     2        1       33.3%  66.7%"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("\nIdentify "), std::string::npos) << "identify runs count nowhere";
    EXPECT_NE(out.find("\nFail, \"bad\" blocks      1  50.0%      100.0%\n"), std::string::npos) << out;
    // Flash ID: runs, pass, fail, retests, first-pass, final.
    EXPECT_EQ(
        WordsOfLine(out, "98 3C 98 B3 76 72 "),
        (std::vector<std::string>{"98", "3C", "98", "B3", "76", "72", "4", "2", "2", "1", "33.3%", "66.7%"}));
    // Station, host, port, runs, fail, fail rate, station rate, p: port 1
    // failed one of two runs, port 3 its only one.
    EXPECT_EQ(WordsOfLine(out, "04_MP    station-1     1 "),
              (std::vector<std::string>{"04_MP", "station-1", "1", "2", "1", "50.0%", "50.0%", "0.75"}));
    EXPECT_EQ(WordsOfLine(out, "04_MP    station-1     3 "),
              (std::vector<std::string>{"04_MP", "station-1", "3", "1", "1", "100.0%", "50.0%", "0.5"}));

    const ToolRun json = Run(Dir() + " summary --from 2026-12-10 --to 2026-12-10 --station 04_MP --json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(
        json.out.find("\"total\":{\"runs\":4,\"pass\":2,\"fail\":2,\"retests\":1,\"first_attempts\":3,"
                      "\"first_pass\":1,\"final_drives\":3,\"final_pass\":2,\"first_pass_yield\":0.333333"),
        std::string::npos)
        << json.out;

    const ToolRun otherDay = Run(Dir() + " summary --from 2026-12-11 --to 2026-12-12 --json");
    ASSERT_EQ(otherDay.exitCode, 0);
    EXPECT_NE(otherDay.out.find("\"total\":{\"runs\":0,"), std::string::npos) << otherDay.out;
}

TEST_F(ResultsTool, CsvHasAHeaderRowAndOneQuotedRowPerRun) {
    MakeStation();
    const ToolRun run = Run(Dir() + " export --format csv");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string header;
    for (const std::string& column : ExportColumns())
        header += (header.empty() ? "" : ",") + column;
    EXPECT_EQ(run.out.rfind(header + "\r\n", 0), 0u) << run.out.substr(0, 300);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\r'), 7) << "a header and six runs";
    EXPECT_NE(run.out.find(",\"Fail, \"\"bad\"\" blocks\nsecond line\","), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("坏块"), std::string::npos);
    EXPECT_NE(run.out.find(",RUNNING,0,\r\n"), std::string::npos) << "a running row has no end yet";
}

TEST_F(ResultsTool, JsonHasOneRecordObjectPerRunAndHtmlIsOnePageThatNeedsNothingElse) {
    MakeStation();
    const ToolRun json = Run(Dir() + " export --format json --station 04_MP --out runs.json");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto lines = Lines(ReadText(scratch_ / "runs.json"));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.front(), "[");
    EXPECT_EQ(lines.back(), "]");
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string line = lines[i];
        if (line.back() == ',')
            line.pop_back();
        const auto record = DecodeRunRecord(line);
        ASSERT_TRUE(record) << line;
        EXPECT_EQ(record->station, "04_MP");
    }
    EXPECT_NE(lines[1].find(",\"state\":\"DONE\",\"attempt\":1,\"synced_at\":null}"), std::string::npos)
        << lines[1];

    const ToolRun html = Run(Dir() + " export --format html --from 2026-12-10 --to 2026-12-10");
    ASSERT_EQ(html.exitCode, 0) << html.err;
    EXPECT_EQ(html.out.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.out.find("<svg"), std::string::npos);
    EXPECT_NE(html.out.find("Yield by station and day"), std::string::npos);
    EXPECT_NE(html.out.find("Fail, &quot;bad&quot; blocks"), std::string::npos);
    for (const char* outside : {"src=", "href=", "<script", "<link", "url("})
        EXPECT_EQ(html.out.find(outside), std::string::npos) << outside;
}

TEST_F(ResultsTool, WrongArgumentsAndAMissingDatabaseAreToldApart) {
    struct Case {
        std::string arguments;
        int exitCode;
        const char* says;
    } cases[] = {
        {"", 2, "say summary or export"},
        {"summary", 2, "--dir FOLDER or --server URL"},
        {Dir() + " --server postgresql://x summary", 2, "either"},
        {Dir() + " export", 2, "--format csv, json or html"},
        {Dir() + " export --format xml", 2, "--format csv, json or html"},
        {Dir() + " summary --from 2026-13-01", 2, "YYYY-MM-DD"},
        {Dir() + " summary --from 2026-12-10 --to 2026-12-01", 2, "before"},
        {Dir() + " summary --bogus", 2, "unknown argument --bogus"},
        {Dir() + " summary --station", 2, "needs a value"},
        {Dir() + " summary", 1, "no results database"},
        {Dir() + " export --format csv --out /nonexistent-folder/x.csv", 1, "no results database"},
    };
    for (const Case& c : cases) {
        const ToolRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
    }
    MakeStation();
    const ToolRun unwritable = Run(Dir() + " export --format csv --out /nonexistent-folder/x.csv");
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_FALSE(unwritable.err.empty());
}

// The client's own errors quote pieces of the string; none of them, nor the
// heading, shows the password ("zq" marks every password here).
TEST_F(ResultsTool, ALineServerPasswordIsNeverPrinted) {
    const std::string socket = scratch_.path().string();
    const std::string servers[] = {
        "postgresql://u:zqPass%ZZ@/line",
        "postgresql://u@/line?host=" + socket + "&port=1&password=zqParam",
        "host=" + socket + " port=1 dbname=line password='zq quoted\\'s'",
    };
    for (const std::string& server : servers) {
        ToolRun run = Run("--server \"" + server + "\" summary");
        // The folder's random name is no password.
        for (size_t at = run.err.find(socket); at != std::string::npos; at = run.err.find(socket, at))
            run.err.replace(at, socket.size(), "DIR");
        EXPECT_EQ(run.exitCode, 1) << server << "\n" << run.err;
        EXPECT_NE(run.err.find("varnet-results: "), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("zq"), std::string::npos) << server << "\n" << run.err;
        EXPECT_EQ(run.out.find("zq"), std::string::npos) << server << "\n" << run.out;
    }
}

} // namespace
} // namespace varnet

// varnet-results: the yield figures and the runs of a station (its results
// database) or of a whole line (the line server), for people and programs.
//
//   varnet-results --dir FOLDER | --server URL summary [--from D] [--to D] [--station NAME] [--json]
//   varnet-results --dir FOLDER | --server URL export --format csv|json|html [--out FILE] [filters]
//   exit 0 done, 1 the runs cannot be read or the output written, 2 wrong arguments
#include "platform/file_io.h"
#include "platform/secret_redaction.h"
#include "results/line_server.h"
#include "results/results_store.h"
#include "results/run_export.h"
#include "results/run_query.h"
#include "results/summary_report.h"
#include "results/utc_time.h"
#include "results/yield_summary.h"
#include "varnet_version.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: varnet-results --dir FOLDER summary [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--station NAME] "
    "[--json]\n"
    "       varnet-results --server URL summary [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--station NAME] "
    "[--json]\n"
    "       varnet-results --dir FOLDER export --format csv|json|html [--out FILE] [--from ...] [--to ...]\n"
    "                      [--station NAME]\n"
    "       varnet-results --help | --version\n"
    "\n"
    "  --dir FOLDER    a station's program folder: the runs in its Results/results.db\n"
    "  --server URL    the line server (postgresql://user@host:port/db): the runs of every station\n"
    "  --from, --to    local days, both included; a summary shows today unless told,\n"
    "                  an export every run\n"
    "  --station NAME  one station, e.g. 04_MP (default: every station)\n"
    "  --json          print the summary as one JSON object\n"
    "  --format        csv (UTF-8, RFC 4180, a header row), json (one object per run) or html\n"
    "                  (one self-contained page with the tables and the Pareto chart)\n"
    "  --out FILE      write the export to FILE instead of the standard output\n"
    "\n"
    "First-pass yield counts the first attempt of each drive at a station, final yield its last\n"
    "attempt in the period; retests are counted apart; identify runs count in no yield.\n"
    "\n"
    "Exit codes: 0 done, 1 the runs cannot be read or the output cannot be written,\n"
    "2 wrong arguments.\n";

int Usage(FILE* to, int exitCode) {
    std::fputs(kUsage, to);
    return exitCode;
}

int Wrong(const std::string& message) {
    // An argument repeated back may be a connection string.
    std::fprintf(stderr, "varnet-results: %s\n", varnet::RedactSecrets(message).c_str());
    std::fputs(kUsage, stderr);
    return 2;
}

struct Arguments {
    std::string dir;
    std::string server;
    std::string command;
    std::string from;
    std::string to;
    std::string station;
    std::string format;
    std::string out;
    bool json = false;
};

bool WriteOutput(const std::string& path, const std::string& text) {
    if (path.empty()) {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "varnet-results: cannot write the output\n");
            return false;
        }
        return true;
    }
    const varnet::Status written = varnet::WriteFileAtomically(path, text);
    if (!written.ok()) {
        std::fprintf(stderr, "varnet-results: %s\n", written.message().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    using namespace varnet;
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return Usage(stdout, 0);
        if (arg == "--version") {
            std::printf("varnet-results %s\n", VARNET_VERSION);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--dir")
            ok = value(args.dir);
        else if (arg == "--server")
            ok = value(args.server);
        else if (arg == "--from")
            ok = value(args.from);
        else if (arg == "--to")
            ok = value(args.to);
        else if (arg == "--station")
            ok = value(args.station);
        else if (arg == "--format")
            ok = value(args.format);
        else if (arg == "--out")
            ok = value(args.out);
        else if (arg == "--json")
            args.json = true;
        else if ((arg == "summary" || arg == "export") && args.command.empty())
            args.command = arg;
        else
            return Wrong("unknown argument " + std::string(arg));
        if (!ok)
            return Wrong(std::string(arg) + " needs a value");
    }
    if (args.command.empty())
        return Wrong("say summary or export");
    if (args.dir.empty() == args.server.empty())
        return Wrong("give either --dir FOLDER or --server URL");
    if (args.command == "export" && args.format != "csv" && args.format != "json" && args.format != "html")
        return Wrong("export needs --format csv, json or html");
    if (args.command == "summary" && (!args.format.empty() || !args.out.empty()))
        return Wrong("--format and --out belong to export");
    if (args.command == "export" && args.json)
        return Wrong("--json belongs to summary; export takes --format json");

    // A summary shows today unless told otherwise, as the Yield page does.
    if (args.command == "summary" && args.from.empty() && args.to.empty())
        args.from = args.to = LocalToday();
    RunFilter filter;
    filter.station = args.station;
    if (!args.from.empty()) {
        filter.from = LocalDayStart(args.from);
        if (!filter.from)
            return Wrong("--from takes a day as YYYY-MM-DD, not " + args.from);
    }
    if (!args.to.empty()) {
        filter.to = LocalDayEnd(args.to);
        if (!filter.to)
            return Wrong("--to takes a day as YYYY-MM-DD, not " + args.to);
    }
    if (filter.from && filter.to && *filter.to <= *filter.from)
        return Wrong("--to is before --from");

    std::unique_ptr<RunSource> source;
    SummaryHeading heading{args.from, args.to, args.station, ""};
    if (!args.server.empty()) {
        source = std::make_unique<ServerRunSource>(args.server);
        heading.source = "the line server " + RedactedUrl(args.server);
    } else {
        const auto database = ResultsDatabasePath(args.dir);
        source = std::make_unique<LocalRunSource>(database);
        heading.source = database.string();
    }

    std::vector<YieldRun> yieldRuns;
    if (args.command == "summary" || args.format == "html") {
        const Status read = source->FetchYieldRuns(filter, yieldRuns);
        if (!read.ok()) {
            std::fprintf(stderr, "varnet-results: %s\n", RedactSecrets(read.message(), args.server).c_str());
            return 1;
        }
    }
    const YieldSummary summary = ComputeYieldSummary(yieldRuns);
    if (args.command == "summary")
        return WriteOutput("", args.json ? SummaryJson(summary, heading) : SummaryText(summary, heading)) ? 0
                                                                                                          : 1;

    std::vector<StoredRun> runs;
    const Status read = source->FetchRuns(filter, runs);
    if (!read.ok()) {
        std::fprintf(stderr, "varnet-results: %s\n", RedactSecrets(read.message(), args.server).c_str());
        return 1;
    }
    std::string text;
    if (args.format == "csv")
        text = ExportCsv(runs);
    else if (args.format == "json")
        text = ExportJson(runs);
    else
        text = ExportHtml(runs, summary, heading);
    return WriteOutput(args.out, text) ? 0 : 1;
}

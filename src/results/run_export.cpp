#include "results/run_export.h"

#include "platform/text.h"
#include "platform/text_format.h"
#include "results/run_record_json.h"
#include "results/utc_time.h"

#include <algorithm>

namespace varnet {
namespace {

std::vector<std::string> Fields(const StoredRun& run) {
    const PortRunRecord& r = run.record;
    const bool finished = run.state == "DONE";
    return {r.runId,
            r.station,
            std::to_string(r.port),
            std::to_string(r.drive),
            r.interfacePath,
            r.model,
            r.firmware,
            r.driveSerial,
            r.serial,
            r.flashId,
            r.verdict,
            r.errorCode,
            r.errorMessage,
            r.text,
            r.reportPath,
            r.auxReportPath,
            FormatUtcMillis(r.startedAt),
            finished ? FormatUtcMillis(r.endedAt) : std::string(),
            finished ? std::to_string(r.durationMs) : std::string(),
            r.host,
            r.stationFile,
            run.state,
            std::to_string(run.attempt),
            run.syncedAt};
}

void AppendCsvField(std::string& out, std::string_view field) {
    const std::string valid = ValidUtf8(field);
    if (valid.find_first_of(",\"\r\n") == std::string::npos) {
        out += valid;
        return;
    }
    out += '"';
    for (char c : valid) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendCsvRow(std::string& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendCsvField(out, fields[i]);
    }
    out += "\r\n";
}

// At most n characters of a UTF-8 text, never cutting one in two.
std::string_view CutCharacters(std::string_view text, size_t n) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == n)
            return text.substr(0, i);
    }
    return text;
}

std::string Cell(std::string_view tag, std::string_view text, std::string_view cls = {}) {
    std::string out = "<";
    out += tag;
    if (!cls.empty()) {
        out += " class=\"";
        out += cls;
        out += '"';
    }
    out += '>';
    out += HtmlEscape(text);
    out += "</";
    out += tag;
    out += '>';
    return out;
}

std::string CountRow(const std::vector<std::string>& lead, const YieldCounts& c) {
    std::string out = "<tr>";
    for (const std::string& text : lead)
        out += Cell("td", text);
    for (const std::string& text :
         {std::to_string(c.runs), std::to_string(c.pass), std::to_string(c.fail), std::to_string(c.retests),
          PercentText(c.FirstPassYield()), PercentText(c.FinalYield())})
        out += Cell("td", text, "n");
    return out + "</tr>\n";
}

std::string HeaderRow(const std::vector<std::string>& names) {
    std::string out = "<tr>";
    for (const std::string& name : names)
        out += Cell("th", name);
    return out + "</tr>\n";
}

} // namespace

const std::vector<std::string>& ExportColumns() {
    static const std::vector<std::string> kColumns = {
        "run_id",        "station",      "port",         "drive",           "interface_path", "model",
        "firmware",      "drive_serial", "serial",       "flash_id",        "verdict",        "error_code",
        "error_message", "text",         "report_path",  "aux_report_path", "started_at",     "ended_at",
        "duration_ms",   "host",         "station_file", "state",           "attempt",        "synced_at"};
    return kColumns;
}

std::string HtmlEscape(std::string_view text) {
    const std::string valid = ValidUtf8(text);
    std::string out;
    out.reserve(valid.size());
    for (char c : valid) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            // Control characters other than line breaks and tabs are not
            // allowed in an XML document (the inline SVG).
            if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t' && c != '\r')
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

std::string ExportCsv(std::span<const StoredRun> runs) {
    std::string out;
    AppendCsvRow(out, ExportColumns());
    for (const StoredRun& run : runs)
        AppendCsvRow(out, Fields(run));
    return out;
}

std::string ExportJson(std::span<const StoredRun> runs) {
    std::string out = "[";
    for (size_t i = 0; i < runs.size(); ++i) {
        out += i == 0 ? "\n{" : ",\n{";
        AppendRunRecordMembers(out, runs[i].record);
        out += ",\"state\":";
        AppendJsonString(out, runs[i].state);
        out += Format(",\"attempt\":%lld,\"synced_at\":", static_cast<long long>(runs[i].attempt));
        if (runs[i].syncedAt.empty())
            out += "null";
        else
            AppendJsonString(out, runs[i].syncedAt);
        out += '}';
    }
    out += "\n]\n";
    return out;
}

std::string ParetoSvg(const std::vector<FailureCauseCount>& pareto) {
    constexpr int kLeft = 50;
    constexpr int kTop = 20;
    constexpr int kPlotHeight = 200;
    constexpr int kBar = 48;
    constexpr int kGap = 12;
    constexpr int kLabels = 110;
    const int count = static_cast<int>(pareto.size());
    const int plotWidth = std::max(1, count) * (kBar + kGap);
    const int width = kLeft + plotWidth + 50;
    const int height = kTop + kPlotHeight + kLabels;
    int64_t most = 1;
    for (const FailureCauseCount& cause : pareto)
        most = std::max(most, cause.count);

    std::string svg =
        Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
               "viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" font-size=\"11\" role=\"img\">\n",
               width, height, width, height);
    svg += "<title>Failure Pareto</title>\n";
    svg += Format("<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"#444\"/>\n", kLeft,
                  kTop + kPlotHeight, kLeft + plotWidth, kTop + kPlotHeight);
    svg += Format("<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"#444\"/>\n", kLeft, kTop, kLeft,
                  kTop + kPlotHeight);
    svg += Format("<text x=\"%d\" y=\"%d\" text-anchor=\"end\">%lld</text>\n", kLeft - 4, kTop + 4,
                  static_cast<long long>(most));
    svg += Format("<text x=\"%d\" y=\"%d\" text-anchor=\"end\">0</text>\n", kLeft - 4, kTop + kPlotHeight);
    svg += Format("<text x=\"%d\" y=\"%d\">100%%</text>\n", kLeft + plotWidth + 4, kTop + 4);
    std::string line;
    for (int i = 0; i < count; ++i) {
        const FailureCauseCount& cause = pareto[static_cast<size_t>(i)];
        const int x = kLeft + i * (kBar + kGap) + kGap / 2;
        const int barHeight =
            static_cast<int>(static_cast<double>(cause.count) * kPlotHeight / static_cast<double>(most));
        svg += Format(
            "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#d9534f\"><title>%s: %lld</title>"
            "</rect>\n",
            x, kTop + kPlotHeight - barHeight, kBar, barHeight, HtmlEscape(cause.cause).c_str(),
            static_cast<long long>(cause.count));
        svg += Format("<text x=\"%d\" y=\"%d\" text-anchor=\"middle\">%lld</text>\n", x + kBar / 2,
                      kTop + kPlotHeight - barHeight - 3, static_cast<long long>(cause.count));
        svg += Format("<text transform=\"translate(%d,%d) rotate(40)\">%s</text>\n", x + kBar / 2,
                      kTop + kPlotHeight + 12, HtmlEscape(CutCharacters(cause.cause, 24)).c_str());
        const int y = kTop + kPlotHeight - static_cast<int>(cause.cumulative * kPlotHeight);
        line += Format("%s%d,%d", line.empty() ? "" : " ", x + kBar / 2, y);
    }
    if (!line.empty())
        svg += "<polyline fill=\"none\" stroke=\"#337ab7\" stroke-width=\"2\" points=\"" + line + "\"/>\n";
    svg += "</svg>\n";
    return svg;
}

std::string ExportHtml(std::span<const StoredRun> runs, const YieldSummary& summary,
                       const SummaryHeading& heading) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>VarnetTool results</title>\n<style>\n"
                      "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
                      "table{border-collapse:collapse;margin:.5em 0 1.5em}\n"
                      "th,td{border:1px solid #bbb;padding:2px 6px;text-align:left;white-space:pre-wrap}\n"
                      "th{background:#eee}td.n{text-align:right}tr.outlier td{background:#f8d7da}\n"
                      "</style>\n</head>\n<body>\n<h1>VarnetTool results</h1>\n";
    const std::string from = heading.fromDay.empty() ? "the first run" : heading.fromDay;
    const std::string to = heading.toDay.empty() ? "the last run" : heading.toDay;
    out += "<p>" +
           HtmlEscape(Format("Runs from %s to %s (local days), station: %s", from.c_str(), to.c_str(),
                             heading.station.empty() ? "all" : heading.station.c_str())) +
           (heading.source.empty() ? std::string() : "<br>From " + HtmlEscape(heading.source)) +
           "</p>\n<ul>\n";
    for (const std::string& line : YieldDefinitions(0))
        out += Cell("li", line) + "\n";
    out += "</ul>\n<h2>Yield by station and day</h2>\n<table>\n";
    out += HeaderRow({"Station", "Day", "Runs", "Pass", "Fail", "Retests", "First-pass", "Final"});
    for (const StationDayYield& row : summary.stationDays)
        out += CountRow({row.station, row.day.empty() ? "total" : row.day}, row.counts);
    out += CountRow({"All", "total"}, summary.total);
    out += "</table>\n";

    out += Format("<h2>Failure Pareto (%lld failed runs)</h2>\n", static_cast<long long>(summary.failures));
    out += ParetoSvg(summary.pareto);
    out += "<table>\n" + HeaderRow({"Cause", "Count", "Share", "Cumulative"});
    for (const FailureCauseCount& cause : summary.pareto)
        out += "<tr>" + Cell("td", cause.cause) + Cell("td", std::to_string(cause.count), "n") +
               Cell("td", PercentText(cause.share), "n") + Cell("td", PercentText(cause.cumulative), "n") +
               "</tr>\n";
    out += "</table>\n<h2>Yield by flash ID</h2>\n<table>\n";
    out += HeaderRow({"Flash ID", "Runs", "Pass", "Fail", "Retests", "First-pass", "Final"});
    for (const FlashYield& flash : summary.flashes)
        out += CountRow({flash.flashId.empty() ? "(none)" : flash.flashId}, flash.counts);
    out += "</table>\n<h2>Yield by port</h2>\n<table>\n";
    out += HeaderRow({"Station", "Host", "Port", "Runs", "Fail", "Fail rate", "Station rate", "p"});
    for (const PortYield& port : summary.ports) {
        out += port.outlier ? "<tr class=\"outlier\">" : "<tr>";
        out += Cell("td", port.station) + Cell("td", port.host) + Cell("td", std::to_string(port.port), "n") +
               Cell("td", std::to_string(port.runs), "n") + Cell("td", std::to_string(port.fails), "n") +
               Cell("td", PercentText(port.failRate), "n") +
               Cell("td", PercentText(port.stationFailRate), "n") +
               Cell("td", Format("%.3g", port.pValue), "n") + "</tr>\n";
    }
    out += "</table>\n";
    out += Format("<h2>Runs (%zu)</h2>\n<table>\n", runs.size());
    out += HeaderRow(ExportColumns());
    for (const StoredRun& run : runs) {
        out += "<tr>";
        for (const std::string& field : Fields(run))
            out += Cell("td", field);
        out += "</tr>\n";
    }
    out += "</table>\n</body>\n</html>\n";
    return out;
}

} // namespace varnet

#include "results/summary_report.h"

#include "platform/text_format.h"
#include "results/run_record_json.h"

#include <algorithm>

namespace varnet {
namespace {

size_t Characters(std::string_view text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Number(int64_t value) {
    return std::to_string(value);
}

std::vector<std::string> CountCells(const YieldCounts& c) {
    return {Number(c.runs),
            Number(c.pass),
            Number(c.fail),
            Number(c.retests),
            PercentText(c.FirstPassYield()),
            PercentText(c.FinalYield())};
}

void AppendNumberOrNull(std::string& out, std::optional<double> value) {
    out += value ? Format("%.6f", *value) : std::string("null");
}

void AppendCounts(std::string& out, const YieldCounts& c) {
    out += Format("\"runs\":%lld,\"pass\":%lld,\"fail\":%lld,\"retests\":%lld,\"first_attempts\":%lld,"
                  "\"first_pass\":%lld,\"final_drives\":%lld,\"final_pass\":%lld,\"first_pass_yield\":",
                  static_cast<long long>(c.runs), static_cast<long long>(c.pass),
                  static_cast<long long>(c.fail), static_cast<long long>(c.retests),
                  static_cast<long long>(c.firstRuns), static_cast<long long>(c.firstPass),
                  static_cast<long long>(c.finalDrives), static_cast<long long>(c.finalPass));
    AppendNumberOrNull(out, c.FirstPassYield());
    out += ",\"final_yield\":";
    AppendNumberOrNull(out, c.FinalYield());
}

std::string PeriodText(const SummaryHeading& heading) {
    const std::string from = heading.fromDay.empty() ? "the first run" : heading.fromDay;
    const std::string to = heading.toDay.empty() ? "the last run" : heading.toDay;
    return Format("Runs from %s to %s (local days), station: %s", from.c_str(), to.c_str(),
                  heading.station.empty() ? "all" : heading.station.c_str());
}

} // namespace

std::string TextTable(const std::vector<std::vector<std::string>>& rows,
                      const std::vector<bool>& rightAligned) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Characters(row[i]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            const size_t pad = widths[i] - Characters(row[i]);
            const bool right = i < rightAligned.size() && rightAligned[i];
            if (i > 0)
                line += "  ";
            if (right)
                line.append(pad, ' ');
            line += row[i];
            if (!right && i + 1 < row.size())
                line.append(pad, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line;
        out += '\n';
    }
    return out;
}

std::string SummaryText(const YieldSummary& summary, const SummaryHeading& heading) {
    std::string out = PeriodText(heading) + "\n";
    if (!heading.source.empty())
        out += "From " + heading.source + "\n";
    out += "\n";
    for (const std::string& line : YieldDefinitions(0))
        out += line + "\n";

    out += "\nYield by station and day\n";
    std::vector<std::vector<std::string>> rows = {
        {"Station", "Day", "Runs", "Pass", "Fail", "Retests", "First-pass", "Final"}};
    for (const StationDayYield& row : summary.stationDays) {
        std::vector<std::string> cells = {row.station, row.day.empty() ? "total" : row.day};
        for (std::string& cell : CountCells(row.counts))
            cells.push_back(std::move(cell));
        rows.push_back(std::move(cells));
    }
    {
        std::vector<std::string> cells = {"All", "total"};
        for (std::string& cell : CountCells(summary.total))
            cells.push_back(std::move(cell));
        rows.push_back(std::move(cells));
    }
    out += TextTable(rows, {false, false, true, true, true, true, true, true});

    out += Format("\nFailure Pareto (%lld failed runs)\n", static_cast<long long>(summary.failures));
    rows = {{"Cause", "Count", "Share", "Cumulative"}};
    for (const FailureCauseCount& cause : summary.pareto)
        rows.push_back(
            {cause.cause, Number(cause.count), PercentText(cause.share), PercentText(cause.cumulative)});
    out += TextTable(rows, {false, true, true, true});

    out += "\nYield by flash ID\n";
    rows = {{"Flash ID", "Runs", "Pass", "Fail", "Retests", "First-pass", "Final"}};
    for (const FlashYield& flash : summary.flashes) {
        std::vector<std::string> cells = {flash.flashId.empty() ? "(none)" : flash.flashId};
        for (std::string& cell : CountCells(flash.counts))
            cells.push_back(std::move(cell));
        rows.push_back(std::move(cells));
    }
    out += TextTable(rows, {false, true, true, true, true, true, true});

    out +=
        Format("\nYield by port (* fails significantly more than its station: at least %lld runs, one-sided "
               "binomial test p < %.2f)\n",
               static_cast<long long>(kOutlierMinRuns), kOutlierLevel);
    rows = {{"Station", "Host", "Port", "Runs", "Fail", "Fail rate", "Station rate", "p", ""}};
    for (const PortYield& port : summary.ports)
        rows.push_back({port.station, port.host, Number(port.port), Number(port.runs), Number(port.fails),
                        PercentText(port.failRate), PercentText(port.stationFailRate),
                        Format("%.3g", port.pValue), port.outlier ? "*" : ""});
    out += TextTable(rows, {false, false, true, true, true, true, true, true, false});
    return out;
}

std::string SummaryJson(const YieldSummary& summary, const SummaryHeading& heading) {
    std::string out = "{\"from\":";
    auto appendOptionalText = [&](const std::string& text) {
        if (text.empty())
            out += "null";
        else
            AppendJsonString(out, text);
    };
    appendOptionalText(heading.fromDay);
    out += ",\"to\":";
    appendOptionalText(heading.toDay);
    out += ",\"station\":";
    appendOptionalText(heading.station);
    out += ",\"source\":";
    AppendJsonString(out, heading.source);
    out += ",\"definitions\":[";
    const auto definitions = YieldDefinitions(0);
    for (size_t i = 0; i < definitions.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendJsonString(out, definitions[i]);
    }
    out += "],\"total\":{";
    AppendCounts(out, summary.total);
    out += "},\"stations\":[";
    for (size_t i = 0; i < summary.stationDays.size(); ++i) {
        const StationDayYield& row = summary.stationDays[i];
        out += i > 0 ? ",{\"station\":" : "{\"station\":";
        AppendJsonString(out, row.station);
        out += ",\"day\":";
        appendOptionalText(row.day);
        out += ',';
        AppendCounts(out, row.counts);
        out += '}';
    }
    out += Format("],\"failures\":%lld,\"pareto\":[", static_cast<long long>(summary.failures));
    for (size_t i = 0; i < summary.pareto.size(); ++i) {
        const FailureCauseCount& cause = summary.pareto[i];
        out += i > 0 ? ",{\"cause\":" : "{\"cause\":";
        AppendJsonString(out, cause.cause);
        out += Format(",\"count\":%lld,\"share\":%.6f,\"cumulative\":%.6f}",
                      static_cast<long long>(cause.count), cause.share, cause.cumulative);
    }
    out += "],\"flash_ids\":[";
    for (size_t i = 0; i < summary.flashes.size(); ++i) {
        out += i > 0 ? ",{\"flash_id\":" : "{\"flash_id\":";
        AppendJsonString(out, summary.flashes[i].flashId);
        out += ',';
        AppendCounts(out, summary.flashes[i].counts);
        out += '}';
    }
    out += "],\"ports\":[";
    for (size_t i = 0; i < summary.ports.size(); ++i) {
        const PortYield& port = summary.ports[i];
        out += i > 0 ? ",{\"station\":" : "{\"station\":";
        AppendJsonString(out, port.station);
        out += ",\"host\":";
        AppendJsonString(out, port.host);
        out +=
            Format(",\"port\":%d,\"runs\":%lld,\"fail\":%lld,\"fail_rate\":%.6f,\"station_fail_rate\":%.6f,"
                   "\"p_value\":%.6g,\"outlier\":%s}",
                   port.port, static_cast<long long>(port.runs), static_cast<long long>(port.fails),
                   port.failRate, port.stationFailRate, port.pValue, port.outlier ? "true" : "false");
    }
    out += "]}\n";
    return out;
}

} // namespace varnet

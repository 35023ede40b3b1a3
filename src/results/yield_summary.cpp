#include "results/yield_summary.h"

#include "platform/text_format.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

namespace varnet {
namespace {

bool Passed(const YieldRun& run) {
    return run.verdict == kVerdictPass;
}

void Count(YieldCounts& counts, const YieldRun& run) {
    const bool passed = Passed(run);
    ++counts.runs;
    counts.pass += passed ? 1 : 0;
    counts.fail += passed ? 0 : 1;
    if (run.firstAttempt) {
        ++counts.firstRuns;
        counts.firstPass += passed ? 1 : 0;
    } else {
        ++counts.retests;
    }
}

// Remembers the last run of each drive at each station within a group, so
// that the final yield can be counted once every run has been seen.
class LastRuns {
public:
    void See(size_t group, const YieldRun& run, size_t index) {
        if (run.driveKey.empty()) {
            loners_.emplace_back(group, index);
            return;
        }
        std::string key = std::to_string(group);
        key += '\x1f';
        key += run.station;
        key += '\x1f';
        key += run.driveKey;
        last_[std::move(key)] = {group, index};
    }
    template <typename CountsOf> void CountFinal(std::span<const YieldRun> runs, CountsOf countsOf) const {
        auto count = [&](size_t group, size_t index) {
            YieldCounts& counts = countsOf(group);
            ++counts.finalDrives;
            counts.finalPass += Passed(runs[index]) ? 1 : 0;
        };
        for (const auto& [key, at] : last_)
            count(at.first, at.second);
        for (const auto& [group, index] : loners_)
            count(group, index);
    }

private:
    std::unordered_map<std::string, std::pair<size_t, size_t>> last_;
    std::vector<std::pair<size_t, size_t>> loners_;
};

// Continued fraction of the incomplete beta function (modified Lentz).
double BetaContinuedFraction(double a, double b, double x) {
    constexpr double kTiny = 1e-300;
    constexpr double kEpsilon = 1e-15;
    const double qab = a + b;
    const double qap = a + 1;
    const double qam = a - 1;
    double c = 1;
    double d = 1 - qab * x / qap;
    if (std::fabs(d) < kTiny)
        d = kTiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m <= 100000; ++m) {
        const double m2 = 2.0 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < kTiny)
            d = kTiny;
        c = 1 + aa / c;
        if (std::fabs(c) < kTiny)
            c = kTiny;
        d = 1 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < kTiny)
            d = kTiny;
        c = 1 + aa / c;
        if (std::fabs(c) < kTiny)
            c = kTiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < kEpsilon)
            break;
    }
    return h;
}

// The regularized incomplete beta function I_x(a, b).
double RegularizedBeta(double a, double b, double x) {
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front =
        std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1) / (a + b + 2))
        return front * BetaContinuedFraction(a, b, x) / a;
    return 1 - front * BetaContinuedFraction(b, a, 1 - x) / b;
}

} // namespace

std::optional<double> YieldCounts::FirstPassYield() const {
    if (firstRuns == 0)
        return std::nullopt;
    return static_cast<double>(firstPass) / static_cast<double>(firstRuns);
}

std::optional<double> YieldCounts::FinalYield() const {
    if (finalDrives == 0)
        return std::nullopt;
    return static_cast<double>(finalPass) / static_cast<double>(finalDrives);
}

double BinomialUpperTail(int64_t n, int64_t k, double p) {
    if (k <= 0)
        return 1;
    if (k > n)
        return 0;
    if (p <= 0)
        return 0;
    if (p >= 1)
        return 1;
    // P(X >= k) = I_p(k, n - k + 1).
    return std::clamp(RegularizedBeta(static_cast<double>(k), static_cast<double>(n - k + 1), p), 0.0, 1.0);
}

std::string FailureCauseOf(std::string_view verdict, std::string_view errorCode, std::string_view text) {
    if (verdict == kVerdictError || verdict == kVerdictTimeout)
        return std::string(verdict);
    if (!errorCode.empty())
        return std::string(errorCode);
    std::string_view line = text.substr(0, text.find_first_of("\r\n"));
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    if (!line.empty())
        return std::string(line);
    return verdict.empty() ? std::string(kVerdictFail) : std::string(verdict);
}

YieldSummary ComputeYieldSummary(std::span<const YieldRun> runs) {
    YieldSummary summary;
    LocalDayCache days;

    // Groups are numbered as they appear; the maps give the order shown.
    std::map<std::pair<std::string, std::string>, size_t> dayGroups; // (station, day)
    std::map<std::string, size_t> stationGroups;
    std::map<std::string, size_t> flashGroups;
    std::vector<YieldCounts> dayCounts;
    std::vector<YieldCounts> stationCounts;
    std::vector<YieldCounts> flashCounts;
    LastRuns dayLast;
    LastRuns stationLast;
    LastRuns flashLast;
    LastRuns totalLast;

    struct PortTally {
        int64_t runs = 0;
        int64_t fails = 0;
    };
    std::map<std::tuple<std::string, std::string, int>, PortTally> ports;
    std::map<std::pair<std::string, std::string>, PortTally> stationsByHost;
    std::map<std::string, int64_t> causes;

    auto groupOf = [](auto& groups, auto key, std::vector<YieldCounts>& counts) {
        auto [it, added] = groups.try_emplace(std::move(key), counts.size());
        if (added)
            counts.emplace_back();
        return it->second;
    };

    for (size_t i = 0; i < runs.size(); ++i) {
        const YieldRun& run = runs[i];
        if (run.station == kIdentifyStation)
            continue;
        const std::string& day = days.DayOf(run.startedMs);
        const size_t dayGroup = groupOf(dayGroups, std::pair{run.station, day}, dayCounts);
        const size_t stationGroup = groupOf(stationGroups, run.station, stationCounts);
        const size_t flashGroup = groupOf(flashGroups, run.flashId, flashCounts);
        Count(dayCounts[dayGroup], run);
        Count(stationCounts[stationGroup], run);
        Count(flashCounts[flashGroup], run);
        Count(summary.total, run);
        dayLast.See(dayGroup, run, i);
        stationLast.See(stationGroup, run, i);
        flashLast.See(flashGroup, run, i);
        totalLast.See(0, run, i);

        const bool failed = !Passed(run);
        PortTally& port = ports[{run.station, run.host, run.port}];
        PortTally& station = stationsByHost[{run.station, run.host}];
        ++port.runs;
        ++station.runs;
        port.fails += failed ? 1 : 0;
        station.fails += failed ? 1 : 0;
        if (failed) {
            ++causes[FailureCauseOf(run.verdict, run.errorCode, run.text)];
            ++summary.failures;
        }
    }
    dayLast.CountFinal(runs, [&](size_t g) -> YieldCounts& { return dayCounts[g]; });
    stationLast.CountFinal(runs, [&](size_t g) -> YieldCounts& { return stationCounts[g]; });
    flashLast.CountFinal(runs, [&](size_t g) -> YieldCounts& { return flashCounts[g]; });
    totalLast.CountFinal(runs, [&](size_t) -> YieldCounts& { return summary.total; });

    auto dayIt = dayGroups.begin();
    for (const auto& [station, group] : stationGroups) {
        for (; dayIt != dayGroups.end() && dayIt->first.first == station; ++dayIt)
            summary.stationDays.push_back({station, dayIt->first.second, dayCounts[dayIt->second]});
        summary.stationDays.push_back({station, std::string(), stationCounts[group]});
    }
    for (const auto& [flashId, group] : flashGroups)
        summary.flashes.push_back({flashId, flashCounts[group]});

    for (const auto& [key, tally] : ports) {
        const auto& [station, host, portNumber] = key;
        const PortTally& whole = stationsByHost[{station, host}];
        PortYield port;
        port.station = station;
        port.host = host;
        port.port = portNumber;
        port.runs = tally.runs;
        port.fails = tally.fails;
        port.failRate = static_cast<double>(tally.fails) / static_cast<double>(tally.runs);
        port.stationFailRate = static_cast<double>(whole.fails) / static_cast<double>(whole.runs);
        port.pValue = BinomialUpperTail(tally.runs, tally.fails, port.stationFailRate);
        port.outlier = tally.runs >= kOutlierMinRuns && port.failRate > port.stationFailRate &&
                       port.pValue < kOutlierLevel;
        summary.ports.push_back(std::move(port));
    }

    for (const auto& [cause, count] : causes)
        summary.pareto.push_back({cause, count, 0, 0});
    std::stable_sort(
        summary.pareto.begin(), summary.pareto.end(),
        [](const FailureCauseCount& a, const FailureCauseCount& b) { return a.count > b.count; });
    int64_t running = 0;
    for (FailureCauseCount& cause : summary.pareto) {
        running += cause.count;
        cause.share = static_cast<double>(cause.count) / static_cast<double>(summary.failures);
        cause.cumulative = static_cast<double>(running) / static_cast<double>(summary.failures);
    }
    return summary;
}

std::vector<std::string> YieldDefinitions(int uiLanguage) {
    if (uiLanguage == 1)
        return {
            "直通率：期间内各硬盘在该工站的首次测试中通过的比例（首次以硬盘在该工站的第一次完成的测试为准）"
            "。",
            "最终良率：期间内在该工站测试过的硬盘中，最后一次测试通过的比例（按日的行只看当日）。",
            "复测：硬盘在同一工站首次之后的测试，单独计数，不计入直通率。",
            "硬盘以序列号区分，无序列号时以硬盘自身序列号区分；识别（Identify）不是生产测试，不计入任何良率"
            "。",
            "程序被强行结束而中断的测试（INTERRUPTED）没有结果，不计入任何数字。",
            "端口：测试不少于 20 次、且失败率显著高于本工站（单侧二项检验 p < 0.01）的端口以红色标出。",
        };
    return {
        "First-pass yield: of the first attempts in the period (a drive's first finished run at a station), "
        "the share that passed.",
        "Final yield: of the drives run at a station in the period, the share whose last run there passed "
        "(a day's row looks at that day only).",
        "Retests: runs of a drive after its first attempt at the same station, counted apart and in no "
        "first-pass figure.",
        "A drive is its serial number, else its drive serial. Identify runs are not production runs and "
        "count in no yield.",
        "Runs cut short by a killed program (interrupted) have no verdict and count in no figure.",
        "Ports: a port with at least 20 runs whose failures are significantly above its station's rate "
        "(one-sided binomial test, p < 0.01) is marked.",
    };
}

std::string PercentText(std::optional<double> share) {
    if (!share)
        return "-";
    return Format("%.1f%%", *share * 100.0);
}

} // namespace varnet

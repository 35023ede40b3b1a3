// The Yield page and varnet-results agree on the demo station: the same
// runs, with injected failures and retests, give the same figures on the
// screen and in the tool's JSON.
#include "grid_rows.h"
#include "results/yield_summary.h"
#include "shell_command.h"
#include "temp_dir.h"
#include "ui/pages/yield_page.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnet::ui {
namespace {

// A JSON share as the page prints it; null (no such runs) as its dash.
QString Share(const QJsonValue& value) {
    return QString::fromStdString(
        PercentText(value.isNull() ? std::nullopt : std::optional(value.toDouble())));
}

QString Count(const QJsonValue& value) {
    return QString::number(value.toInteger());
}

// The count columns of a station's, a day's or a flash's figures.
QStringList CountCells(const QJsonObject& o) {
    return {Count(o["runs"]),
            Count(o["pass"]),
            Count(o["fail"]),
            Count(o["retests"]),
            Share(o["first_pass_yield"]),
            Share(o["final_yield"])};
}

using test::GridRows;

TEST(YieldOnTheDemoStation, ThePageShowsTheFiguresVarnetResultsPrints) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    ASSERT_NE(binary, nullptr) << "run through ctest";
    const std::filesystem::path tools(binary);
    test::TempDir dir;
    const std::string folder = dir.path().string();
    const std::string sim = (tools / "sim/varnet-sim").string() + " demo --instant " + folder + " >/dev/null";
    ASSERT_EQ(test::RunCommand(sim).exitCode, 0);
    // Two drives fail production, each with its own code.
    std::string description = test::ReadText(dir / "Sim/station.txt");
    for (const auto& [drive, fault] :
         {std::pair{"\ndrive 2 ", " fault=\"fail:DoPretestInit:0x2F:Init fail\""},
          {"\ndrive 5 ", " fault=\"fail:DoPretestInit:0x31:Flash fail\""}}) {
        const size_t at = description.find(drive);
        ASSERT_NE(at, std::string::npos) << drive;
        description.insert(description.find('\n', at + 1), fault);
    }
    test::WriteText(dir / "Sim/station.txt", description);
    ASSERT_EQ(test::RunCommand(sim).exitCode, 0);
    const std::string station = (tools / "src/varnettool").string() + " --headless --dir " + folder +
                                " --device-root " + folder + "/Sim/root --config ";
    // Production once, the in-circuit test twice: the second is every drive's retest.
    for (const char* file : {"04_MP.ini", "06_ICT.ini", "06_ICT.ini"})
        ASSERT_NE(test::RunCommand(station + file + " --start >/dev/null 2>&1").exitCode, -1) << file;

    const test::CommandRun summary =
        test::RunCommand((tools / "src/varnet-results").string() + " --dir " + folder + " summary --json");
    ASSERT_EQ(summary.exitCode, 0) << summary.output;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(summary.output)).object();
    ASSERT_FALSE(json.isEmpty()) << summary.output;

    std::vector<QString> days;
    int totals = 0;
    for (const QJsonValue& v : json["stations"].toArray()) {
        const QJsonObject o = v.toObject();
        totals += o["day"].isNull() ? 1 : 0;
        days.push_back(
            (QStringList{o["station"].toString(), o["day"].isNull() ? "Total" : o["day"].toString()} +
             CountCells(o))
                .join(QLatin1Char('|')));
    }
    if (totals > 1)
        days.push_back(
            (QStringList{"All", "Total"} + CountCells(json["total"].toObject())).join(QLatin1Char('|')));
    std::vector<QString> pareto;
    for (const QJsonValue& v : json["pareto"].toArray()) {
        const QJsonObject o = v.toObject();
        pareto.push_back(
            QStringList{o["cause"].toString(), Count(o["count"]), Share(o["share"]), Share(o["cumulative"])}
                .join(QLatin1Char('|')));
    }
    std::vector<QString> flashes;
    for (const QJsonValue& v : json["flash_ids"].toArray()) {
        const QJsonObject o = v.toObject();
        const QString id = o["flash_id"].toString();
        flashes.push_back((QStringList{id.isEmpty() ? "(none)" : id} + CountCells(o)).join(QLatin1Char('|')));
    }
    std::vector<QString> ports;
    for (const QJsonValue& v : json["ports"].toArray()) {
        const QJsonObject o = v.toObject();
        ports.push_back(QStringList{o["station"].toString(), o["host"].toString(), Count(o["port"]),
                                    Count(o["runs"]), Count(o["fail"]), Share(o["fail_rate"]),
                                    Share(o["station_fail_rate"]),
                                    QString::number(o["p_value"].toDouble(), 'g', 3)}
                            .join(QLatin1Char('|')));
    }
    // What the demo gave: both stations, the injected codes among the
    // causes, and the retests counted apart.
    EXPECT_EQ(totals, 2);
    EXPECT_GT(json["total"]["retests"].toInteger(), 20) << summary.output;
    EXPECT_NE(summary.output.find("\"cause\":\"0x2F\""), std::string::npos);
    EXPECT_NE(summary.output.find("\"cause\":\"0x31\""), std::string::npos);

    CYieldDlg page(dir.path(), 0);
    page.OnActivated();
    EXPECT_EQ(GridRows(page.StationDayGrid()), days);
    EXPECT_EQ(GridRows(page.ParetoGrid()), pareto);
    EXPECT_EQ(GridRows(page.FlashGrid()), flashes);
    EXPECT_EQ(GridRows(page.PortGrid()), ports);
    EXPECT_EQ(page.StatusText(), QString::number(json["total"]["runs"].toInteger()) + " runs");
}

} // namespace
} // namespace varnet::ui

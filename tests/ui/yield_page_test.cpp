// The Yield page: today's figures of the station's own database, the
// station and day filters, the Pareto drawn as bars, a failing socket marked,
// the Chinese captions, and a station that has no database yet.
#include "ui/pages/yield_page.h"

#include "grid_rows.h"
#include "results/results_store.h"
#include "temp_dir.h"
#include "ui/grid/grid_widget.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>

namespace varnet::ui {
namespace {

// Runs of today, local noon plus minutes: what the page shows when it opens.
PortRunRecord TodayRun(const std::string& runId, const std::string& station, const std::string& serial,
                       const char* verdict, int minute, int port = 1, const char* errorCode = "") {
    PortRunRecord r;
    r.runId = runId;
    r.station = station;
    r.port = port;
    r.serial = serial;
    r.flashId = "98 3C 98 B3 76 72";
    r.verdict = verdict;
    r.errorCode = errorCode;
    r.startedAt = *LocalDayStart(LocalToday()) + std::chrono::hours(12) + std::chrono::minutes(minute);
    r.endedAt = r.startedAt + std::chrono::minutes(1);
    r.host = "st-1";
    return r;
}

class YieldPage : public ::testing::Test {
protected:
    void Store(const std::vector<PortRunRecord>& records) {
        ResultsStore store;
        Status status;
        ASSERT_EQ(store.Open(ResultsDatabasePath(dir.path()), 1000, status), SchemaOutcome::kReady);
        for (const PortRunRecord& record : records)
            ASSERT_TRUE(store.RecordFinished(record).ok());
    }

    test::TempDir dir;
};

TEST_F(YieldPage, OpensOnTodaysFiguresOfTheStationsOwnDatabase) {
    Store({TodayRun("a1", "04_MP", "SN1", "Fail", 0, 1, "0x2F"), TodayRun("a2", "04_MP", "SN1", "Pass", 5, 2),
           TodayRun("b1", "04_MP", "SN2", "Pass", 1), TodayRun("c1", "06_ICT", "SN1", "Pass", 20),
           TodayRun("i1", "Identify", "SN7", "Pass", 21)});
    CYieldDlg page(dir.path(), 0);
    QSignalSpy activated(&page, &CYieldDlg::Activated);
    page.OnActivated();
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated[0][0].toInt(), CYieldDlg::kSheetPage);

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(
        test::GridRows(page.StationDayGrid()),
        (std::vector<QString>{"04_MP|" + today + "|3|2|1|1|50.0%|100.0%", "04_MP|Total|3|2|1|1|50.0%|100.0%",
                              "06_ICT|" + today + "|1|1|0|0|100.0%|100.0%",
                              "06_ICT|Total|1|1|0|0|100.0%|100.0%", "All|Total|4|3|1|1|66.7%|100.0%"}));
    EXPECT_EQ(page.StationDayGrid()->GetCell(2, 0).bkColor, CYieldDlg::kTotalBackground);
    EXPECT_EQ(test::GridRows(page.ParetoGrid()), std::vector<QString>{"0x2F|1|100.0%|100.0%"});
    EXPECT_EQ(test::GridRows(page.FlashGrid()),
              std::vector<QString>{"98 3C 98 B3 76 72|4|3|1|1|66.7%|100.0%"});
    EXPECT_EQ(page.StatusText(), "4 runs");
    EXPECT_FALSE(page.findChild<QLabel*>(QStringLiteral("YieldDefinitions"))->text().isEmpty());

    // The station list offers every station but the identify runs.
    QStringList stations;
    for (int i = 0; i < page.StationList()->count(); ++i)
        stations << page.StationList()->itemText(i);
    EXPECT_EQ(stations, (QStringList{"All stations", "04_MP", "06_ICT"}));
}

TEST_F(YieldPage, TheStationAndTheDaysNarrowTheFigures) {
    Store({TodayRun("a1", "04_MP", "SN1", "Fail", 0), TodayRun("c1", "06_ICT", "SN1", "Pass", 20)});
    CYieldDlg page(dir.path(), 0);
    page.OnActivated();
    page.SetStation(QStringLiteral("06_ICT"));
    page.RefreshButton()->click();
    ASSERT_EQ(test::GridRows(page.StationDayGrid()).size(), 2u);
    EXPECT_TRUE(test::GridRows(page.StationDayGrid())[0].startsWith("06_ICT|"));
    EXPECT_TRUE(test::GridRows(page.ParetoGrid()).empty());

    page.SetStation(QString());
    page.SetRange(QDate::currentDate().addDays(-3), QDate::currentDate().addDays(-1));
    page.Refresh();
    EXPECT_TRUE(test::GridRows(page.StationDayGrid()).empty());
    EXPECT_EQ(page.StatusText(), "0 runs");
}

TEST_F(YieldPage, TheParetoIsDrawnAsBarsMostFrequentCauseFirst) {
    std::vector<PortRunRecord> runs;
    for (int i = 0; i < 6; ++i)
        runs.push_back(TodayRun("x" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Fail", i, 1,
                                i < 4 ? "0x2F" : "0x31"));
    runs.push_back(TodayRun("t", "04_MP", "SN9", "Timeout", 9));
    Store(runs);
    CYieldDlg page(dir.path(), 0);
    page.resize(1200, 800);
    page.show();
    page.OnActivated();
    QApplication::processEvents();

    CParetoChart* chart = page.Chart();
    ASSERT_EQ(chart->Pareto().size(), 3u);
    EXPECT_EQ(chart->Pareto()[0].cause, "0x2F");
    const QRect first = chart->BarRect(0);
    const QRect second = chart->BarRect(1);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first.bottom(), second.bottom());
    EXPECT_NEAR(static_cast<double>(second.height()) / first.height(), 0.5, 0.05);
    EXPECT_LT(first.right(), second.left());

    const QImage image = chart->grab().toImage();
    const QPoint inside(first.center().x(), first.bottom() - 2);
    EXPECT_EQ(image.pixelColor(inside * image.devicePixelRatio()), CParetoChart::kBarColor);
    EXPECT_EQ(test::GridRows(page.ParetoGrid()),
              (std::vector<QString>{"0x2F|4|57.1%|57.1%", "0x31|2|28.6%|85.7%", "Timeout|1|14.3%|100.0%"}));
}

TEST_F(YieldPage, APortThatFailsFarMoreThanItsStationIsMarked) {
    std::vector<PortRunRecord> runs;
    int n = 0;
    for (int port = 1; port <= 6; ++port)
        for (int i = 0; i < 30; ++i, ++n)
            runs.push_back(TodayRun("p" + std::to_string(n), "02_RDT", "",
                                    (port == 4 ? i < 12 : i < 1) ? "Fail" : "Pass", n % 600, port));
    Store(runs);
    CYieldDlg page(dir.path(), 0);
    page.OnActivated();
    std::map<int, bool> marked;
    for (int row = 1; row <= 6; ++row)
        marked[page.PortGrid()->GetCell(row, 2).text.toInt()] =
            page.PortGrid()->GetCell(row, 0).bkColor == CYieldDlg::kOutlierBackground;
    EXPECT_EQ(marked,
              (std::map<int, bool>{{1, false}, {2, false}, {3, false}, {4, true}, {5, false}, {6, false}}));
}

TEST_F(YieldPage, SpeaksChineseWhenTheStationDoes) {
    Store({TodayRun("a1", "04_MP", "SN1", "Pass", 0)});
    CYieldDlg page(dir.path(), 1);
    page.OnActivated();
    EXPECT_EQ(CYieldDlg::Title(1), QStringLiteral("良率"));
    EXPECT_EQ(CYieldDlg::Title(0), QStringLiteral("Yield"));
    EXPECT_EQ(page.StationDayGrid()->GetCell(0, 6).text, QStringLiteral("直通率"));
    EXPECT_EQ(page.StationDayGrid()->GetCell(2, 1).text, QStringLiteral("合计"));
    EXPECT_EQ(page.StationList()->itemText(0), QStringLiteral("全部工站"));
}

TEST_F(YieldPage, AStationWithoutADatabaseShowsWhyOverEmptyTables) {
    CYieldDlg page(dir.path(), 0);
    page.OnActivated();
    EXPECT_TRUE(page.StatusText().startsWith("No results: there is no results database"))
        << page.StatusText().toStdString();
    EXPECT_TRUE(test::GridRows(page.StationDayGrid()).empty());
    EXPECT_EQ(page.StationList()->count(), 1);
}

} // namespace
} // namespace varnet::ui

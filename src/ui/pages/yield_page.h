// CYieldDlg: the "Yield" page ("良率"), the fifth page after "Bad Block
// Info". For a range of local days (today when it opens) and one station or
// all, it shows the yield per station and day (runs, pass, fail, retests,
// first-pass and final yield) with each station's total, the failure causes
// as a Pareto (bars drawn by CParetoChart, with count and cumulative share),
// the yield per flash ID and per port, a port that fails significantly more
// than its station marked in red. The definitions stand above the tables.
//
// The figures come from results/ (yield_summary.h) through a RunSource, so
// the page, varnet-results and the HTML export agree to the run. A query
// runs on the interface thread when the page is activated or the operator
// presses Refresh (a month of one station is well under a second); a
// database that is missing or unreadable shows as a message over empty
// tables, never as an error box. GUI thread only.
#pragma once

#include "results/run_query.h"
#include "results/yield_summary.h"

#include <QDate>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace varnet::ui {

class GridWidget;

// The failure Pareto: a bar per cause, most frequent first, scaled to the
// largest count (left axis), and the cumulative share as a line over them
// (right axis, 0-100 %).
class CParetoChart : public QWidget {
    Q_OBJECT
public:
    static inline const QColor kBarColor{217, 83, 79};
    static inline const QColor kLineColor{51, 122, 183};

    explicit CParetoChart(QWidget* parent = nullptr);
    void SetPareto(std::vector<FailureCauseCount> pareto);
    // What the chart says when there is no failure to draw.
    void SetEmptyText(const QString& text);
    const std::vector<FailureCauseCount>& Pareto() const { return pareto_; }
    // Where a cause's bar is drawn (empty when there is none).
    QRect BarRect(int index) const;
    QSize sizeHint() const override { return {420, 220}; }
    QSize minimumSizeHint() const override { return {240, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect PlotRect() const;
    std::vector<FailureCauseCount> pareto_;
    QString emptyText_;
};

class CYieldDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSheetPage = 4;
    static inline const QColor kOutlierBackground{255, 199, 206};
    static inline const QColor kTotalBackground{232, 232, 232};

    // The page over a station's own results (Results/results.db of the
    // program folder).
    CYieldDlg(const std::filesystem::path& programFolder, int uiLanguage, QWidget* parent = nullptr);
    // The page over any run source (the line server, a test's).
    CYieldDlg(std::unique_ptr<RunSource> source, int uiLanguage, QWidget* parent = nullptr);
    ~CYieldDlg() override;

    // The tab's caption: "Yield" or "良率".
    static QString Title(int uiLanguage);

    // Refreshes the station list and the figures, and tells the sheet.
    void OnActivated();
    // Reads the figures for the chosen days and station again.
    void Refresh();
    void SetRange(QDate from, QDate to);
    // An empty name: every station.
    void SetStation(const QString& station);

    const YieldSummary& Summary() const { return summary_; }
    QString StatusText() const;
    GridWidget* StationDayGrid() const { return stationDayGrid_; }
    GridWidget* ParetoGrid() const { return paretoGrid_; }
    GridWidget* FlashGrid() const { return flashGrid_; }
    GridWidget* PortGrid() const { return portGrid_; }
    CParetoChart* Chart() const { return chart_; }
    QComboBox* StationList() const { return stationList_; }
    QDateEdit* FromEdit() const { return fromEdit_; }
    QDateEdit* ToEdit() const { return toEdit_; }
    QPushButton* RefreshButton() const { return refreshButton_; }

signals:
    // The page-activated notice for the sheet, with the page's number.
    void Activated(int sheetPage);

private:
    void Build();
    void FillStations();
    void Show();
    void ShowStationDays();
    void ShowPareto();
    void ShowFlashes();
    void ShowPorts();
    QString Tr(const char* english, const char* chinese) const;

    std::unique_ptr<RunSource> source_;
    int uiLanguage_;
    YieldSummary summary_;

    QDateEdit* fromEdit_ = nullptr;
    QDateEdit* toEdit_ = nullptr;
    QComboBox* stationList_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* definitions_ = nullptr;
    GridWidget* stationDayGrid_ = nullptr;
    GridWidget* paretoGrid_ = nullptr;
    GridWidget* flashGrid_ = nullptr;
    GridWidget* portGrid_ = nullptr;
    CParetoChart* chart_ = nullptr;
};

} // namespace varnet::ui

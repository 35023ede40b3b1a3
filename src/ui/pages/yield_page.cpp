#include "ui/pages/yield_page.h"

#include "results/results_store.h"
#include "ui/grid/grid_widget.h"
#include "ui/pages/result_grids.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace varnet::ui {
namespace {

constexpr int kRowHeight = 18;
constexpr int kMinRows = 8;
const QColor kAxisColor(68, 68, 68);

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Percent(std::optional<double> share) {
    return Text(PercentText(share));
}

int RowsFor(size_t entries) {
    return std::max<int>(kMinRows, static_cast<int>(entries) + 1);
}

void SetRow(GridWidget& grid, int row, const QStringList& cells, int firstNumber) {
    for (int col = 0; col < cells.size(); ++col) {
        grid.SetItemText(row, col, cells[col]);
        grid.SetItemAlignment(row, col,
                              col >= firstNumber ? Qt::AlignRight | Qt::AlignVCenter
                                                 : Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void ColourRow(GridWidget& grid, int row, QColor background, QColor text = {}) {
    for (int col = 0; col < grid.GetColumnCount(); ++col) {
        grid.SetItemBkColor(row, col, background);
        if (text.isValid())
            grid.SetItemTextColor(row, col, text);
    }
}

QStringList CountCells(const YieldCounts& c) {
    return {QString::number(c.runs),    QString::number(c.pass),     QString::number(c.fail),
            QString::number(c.retests), Percent(c.FirstPassYield()), Percent(c.FinalYield())};
}

} // namespace

CParetoChart::CParetoChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ParetoChart"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void CParetoChart::SetPareto(std::vector<FailureCauseCount> pareto) {
    pareto_ = std::move(pareto);
    update();
}

void CParetoChart::SetEmptyText(const QString& text) {
    emptyText_ = text;
    update();
}

QRect CParetoChart::PlotRect() const {
    const QFontMetrics metrics(font());
    const int left = metrics.horizontalAdvance(QStringLiteral("00000")) + 8;
    const int right = metrics.horizontalAdvance(QStringLiteral("100%")) + 8;
    const int top = metrics.height() + 4;
    const int bottom = metrics.height() * 2 + 8;
    return QRect(left, top, std::max(1, width() - left - right), std::max(1, height() - top - bottom));
}

QRect CParetoChart::BarRect(int index) const {
    if (index < 0 || index >= static_cast<int>(pareto_.size()))
        return {};
    const QRect plot = PlotRect();
    int64_t most = 1;
    for (const FailureCauseCount& cause : pareto_)
        most = std::max(most, cause.count);
    const double slot = static_cast<double>(plot.width()) / static_cast<double>(pareto_.size());
    const int barWidth = std::max(2, static_cast<int>(slot * 0.7));
    const int x = plot.left() + static_cast<int>(slot * index + (slot - barWidth) / 2);
    const int barHeight =
        std::max(1, static_cast<int>(static_cast<double>(pareto_[static_cast<size_t>(index)].count) *
                                     plot.height() / static_cast<double>(most)));
    return QRect(x, plot.bottom() - barHeight + 1, barWidth, barHeight);
}

void CParetoChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect plot = PlotRect();
    const QFontMetrics metrics(font());
    painter.setPen(kAxisColor);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.bottomRight(), plot.topRight());
    if (pareto_.empty()) {
        painter.drawText(plot, Qt::AlignCenter, emptyText_);
        return;
    }
    int64_t most = 1;
    for (const FailureCauseCount& cause : pareto_)
        most = std::max(most, cause.count);
    painter.drawText(QRect(0, plot.top() - metrics.height() / 2, plot.left() - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(most));
    painter.drawText(QRect(0, plot.bottom() - metrics.height() / 2, plot.left() - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
    painter.drawText(QRect(plot.right() + 4, plot.top() - metrics.height() / 2, width(), metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("100%"));

    QPolygon cumulative;
    for (int i = 0; i < static_cast<int>(pareto_.size()); ++i) {
        const FailureCauseCount& cause = pareto_[static_cast<size_t>(i)];
        const QRect bar = BarRect(i);
        painter.fillRect(bar, kBarColor);
        painter.setPen(kAxisColor);
        const QRect label(bar.center().x() - bar.width(), plot.bottom() + 4, bar.width() * 2,
                          metrics.height());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop,
                         metrics.elidedText(Text(cause.cause), Qt::ElideRight, label.width()));
        painter.drawText(QRect(label.left(), label.bottom() + 2, label.width(), metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(cause.count));
        cumulative << QPoint(bar.center().x(),
                             plot.bottom() -
                                 static_cast<int>(cause.cumulative * static_cast<double>(plot.height())));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kLineColor, 2));
    painter.drawPolyline(cumulative);
    painter.setBrush(kLineColor);
    for (const QPoint& point : cumulative)
        painter.drawEllipse(point, 3, 3);
}

CYieldDlg::CYieldDlg(const std::filesystem::path& programFolder, int uiLanguage, QWidget* parent)
    : CYieldDlg(std::make_unique<LocalRunSource>(ResultsDatabasePath(programFolder)), uiLanguage, parent) {}

CYieldDlg::CYieldDlg(std::unique_ptr<RunSource> source, int uiLanguage, QWidget* parent)
    : QWidget(parent), source_(std::move(source)), uiLanguage_(uiLanguage) {
    setObjectName(QStringLiteral("Yield"));
    Build();
    Show();
}

CYieldDlg::~CYieldDlg() = default;

QString CYieldDlg::Title(int uiLanguage) {
    return uiLanguage == 1 ? QStringLiteral("良率") : QStringLiteral("Yield");
}

QString CYieldDlg::Tr(const char* english, const char* chinese) const {
    return QString::fromUtf8(uiLanguage_ == 1 ? chinese : english);
}

void CYieldDlg::Build() {
    auto* layout = new QVBoxLayout(this);
    auto* controls = new QHBoxLayout;
    fromEdit_ = new QDateEdit(QDate::currentDate(), this);
    toEdit_ = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit* edit : {fromEdit_, toEdit_}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    stationList_ = new QComboBox(this);
    stationList_->setMinimumContentsLength(14);
    refreshButton_ = new QPushButton(Tr("Refresh", "刷新"), this);
    controls->addWidget(new QLabel(Tr("From:", "起始日期:"), this));
    controls->addWidget(fromEdit_);
    controls->addWidget(new QLabel(Tr("To:", "结束日期:"), this));
    controls->addWidget(toEdit_);
    controls->addWidget(new QLabel(Tr("Station:", "工站:"), this));
    controls->addWidget(stationList_);
    controls->addWidget(refreshButton_);
    controls->addStretch(1);
    status_ = new QLabel(this);
    controls->addWidget(status_);
    layout->addLayout(controls);

    QStringList lines;
    for (const std::string& line : YieldDefinitions(uiLanguage_))
        lines << Text(line);
    definitions_ = new QLabel(lines.join(QLatin1Char('\n')), this);
    definitions_->setWordWrap(true);
    definitions_->setObjectName(QStringLiteral("YieldDefinitions"));
    layout->addWidget(definitions_);

    auto titled = [this](const QString& title, QWidget* body) {
        auto* box = new QVBoxLayout;
        auto* caption = new QLabel(title, this);
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        box->addWidget(caption);
        box->addWidget(body, 1);
        return box;
    };
    stationDayGrid_ = new GridWidget(this);
    paretoGrid_ = new GridWidget(this);
    flashGrid_ = new GridWidget(this);
    portGrid_ = new GridWidget(this);
    chart_ = new CParetoChart(this);
    chart_->SetEmptyText(Tr("No failures", "没有失败"));

    auto* tables = new QGridLayout;
    tables->addLayout(titled(Tr("Yield by station and day", "按工站和日期的良率"), stationDayGrid_), 0, 0);
    auto* pareto = new QHBoxLayout;
    pareto->addWidget(chart_, 1);
    pareto->addWidget(paretoGrid_, 1);
    auto* paretoBox = new QWidget(this);
    paretoBox->setLayout(pareto);
    pareto->setContentsMargins(0, 0, 0, 0);
    tables->addLayout(titled(Tr("Failure causes (Pareto)", "失败原因柏拉图"), paretoBox), 0, 1);
    tables->addLayout(titled(Tr("Yield by flash ID", "按 Flash ID 的良率"), flashGrid_), 1, 0);
    tables->addLayout(titled(Tr("Yield by port", "按端口的良率"), portGrid_), 1, 1);
    tables->setColumnStretch(0, 1);
    tables->setColumnStretch(1, 1);
    layout->addLayout(tables, 1);

    connect(refreshButton_, &QPushButton::clicked, this, [this] { Refresh(); });
    FillStations();
}

void CYieldDlg::FillStations() {
    const QString chosen = stationList_->currentData().toString();
    std::vector<std::string> stations;
    (void)source_->FetchStations(stations); // an unreadable database shows in Refresh
    stationList_->clear();
    stationList_->addItem(Tr("All stations", "全部工站"), QString());
    for (const std::string& station : stations)
        stationList_->addItem(Text(station), Text(station));
    const int index = stationList_->findData(chosen);
    stationList_->setCurrentIndex(index >= 0 ? index : 0);
}

void CYieldDlg::OnActivated() {
    FillStations();
    Refresh();
    emit Activated(kSheetPage);
}

void CYieldDlg::SetRange(QDate from, QDate to) {
    fromEdit_->setDate(from);
    toEdit_->setDate(to);
}

void CYieldDlg::SetStation(const QString& station) {
    int index = stationList_->findData(station);
    if (index < 0 && !station.isEmpty()) {
        stationList_->addItem(station, station);
        index = stationList_->count() - 1;
    }
    stationList_->setCurrentIndex(std::max(index, 0));
}

QString CYieldDlg::StatusText() const {
    return status_->text();
}

void CYieldDlg::Refresh() {
    QDate from = fromEdit_->date();
    QDate to = toEdit_->date();
    if (to < from)
        std::swap(from, to);
    RunFilter filter;
    filter.from = LocalDayStart(from.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
    filter.to = LocalDayEnd(to.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
    filter.station = stationList_->currentData().toString().toStdString();
    std::vector<YieldRun> runs;
    const Status read = source_->FetchYieldRuns(filter, runs);
    summary_ = ComputeYieldSummary(runs);
    if (read.ok())
        status_->setText(Tr("%1 runs", "%1 次测试").arg(summary_.total.runs));
    else
        status_->setText(Tr("No results: %1", "没有结果: %1").arg(Text(read.message())));
    status_->setStyleSheet(read.ok() ? QString() : QStringLiteral("color: rgb(255, 0, 0)"));
    Show();
}

void CYieldDlg::Show() {
    ShowStationDays();
    ShowPareto();
    ShowFlashes();
    ShowPorts();
}

void CYieldDlg::ShowStationDays() {
    GridWidget& grid = *stationDayGrid_;
    const QStringList headers = {Tr("Station", "工站"),      Tr("Day", "日期"),      Tr("Runs", "测试数"),
                                 Tr("Pass", "通过"),         Tr("Fail", "失败"),     Tr("Retests", "复测"),
                                 Tr("First-pass", "直通率"), Tr("Final", "最终良率")};
    PrepareResultGrid(grid, headers, {90, 90, 56, 56, 56, 60, 76, 76},
                      RowsFor(summary_.stationDays.size() + 1), kRowHeight, font());
    int row = 1;
    for (const StationDayYield& entry : summary_.stationDays) {
        const bool total = entry.day.empty();
        SetRow(grid, row,
               QStringList{Text(entry.station), total ? Tr("Total", "合计") : Text(entry.day)} +
                   CountCells(entry.counts),
               2);
        if (total)
            ColourRow(grid, row, kTotalBackground);
        ++row;
    }
    const auto stations = std::count_if(summary_.stationDays.begin(), summary_.stationDays.end(),
                                        [](const StationDayYield& entry) { return entry.day.empty(); });
    if (stations > 1) {
        SetRow(grid, row, QStringList{Tr("All", "全部"), Tr("Total", "合计")} + CountCells(summary_.total),
               2);
        ColourRow(grid, row, kTotalBackground);
    }
}

void CYieldDlg::ShowPareto() {
    chart_->SetPareto(summary_.pareto);
    GridWidget& grid = *paretoGrid_;
    PrepareResultGrid(
        grid, {Tr("Cause", "原因"), Tr("Count", "次数"), Tr("Share", "占比"), Tr("Cumulative", "累计")},
        {100, 44, 54, 64}, RowsFor(summary_.pareto.size()), kRowHeight, font());
    int row = 1;
    for (const FailureCauseCount& cause : summary_.pareto) {
        SetRow(grid, row++,
               {Text(cause.cause), QString::number(cause.count), Percent(cause.share),
                Percent(cause.cumulative)},
               1);
    }
}

void CYieldDlg::ShowFlashes() {
    GridWidget& grid = *flashGrid_;
    const QStringList headers = {
        Tr("Flash ID", "Flash ID"), Tr("Runs", "测试数"),       Tr("Pass", "通过"),     Tr("Fail", "失败"),
        Tr("Retests", "复测"),      Tr("First-pass", "直通率"), Tr("Final", "最终良率")};
    PrepareResultGrid(grid, headers, {150, 56, 56, 56, 60, 76, 76}, RowsFor(summary_.flashes.size()),
                      kRowHeight, font());
    int row = 1;
    for (const FlashYield& flash : summary_.flashes)
        SetRow(grid, row++,
               QStringList{flash.flashId.empty() ? Tr("(none)", "(无)") : Text(flash.flashId)} +
                   CountCells(flash.counts),
               1);
}

void CYieldDlg::ShowPorts() {
    GridWidget& grid = *portGrid_;
    const QStringList headers = {Tr("Station", "工站"),
                                 Tr("Host", "主机"),
                                 Tr("Port", "端口"),
                                 Tr("Runs", "测试数"),
                                 Tr("Fail", "失败"),
                                 Tr("Fail rate", "失败率"),
                                 Tr("Station rate", "工站失败率"),
                                 Tr("p", "p 值")};
    PrepareResultGrid(grid, headers, {90, 90, 44, 56, 50, 70, 84, 64}, RowsFor(summary_.ports.size()),
                      kRowHeight, font());
    int row = 1;
    for (const PortYield& port : summary_.ports) {
        SetRow(grid, row,
               {Text(port.station), Text(port.host), QString::number(port.port), QString::number(port.runs),
                QString::number(port.fails), Percent(port.failRate), Percent(port.stationFailRate),
                QString::number(port.pValue, 'g', 3)},
               2);
        if (port.outlier)
            ColourRow(grid, row, kOutlierBackground, kMarkRed);
        ++row;
    }
}

} // namespace varnet::ui
